#pragma once
#include "data/AbbreviationIndex.h"
#include "data/TagWriter.h"

#include <cstddef>
#include <string>

namespace lumora {

// Longest abbreviation and text the phrase list takes, in UTF-16 code units (the editor stops
// typing there; an import leaves longer ones out).
constexpr std::size_t MaxAbbreviationLength = 32;
constexpr std::size_t MaxTextLength = 512;

// One phrase: its text and its abbreviation. A phrase with an abbreviation has exactly one
// entry in the index; one without has none. Phrases are owned by the phrase list and never
// copied, since the index refers to them by address.
class Phrase {
public:
    explicit Phrase(AbbreviationIndex& index) : index_(index) {}
    ~Phrase();
    Phrase(const Phrase&) = delete;
    Phrase& operator=(const Phrase&) = delete;

    const std::u16string& Text() const { return text_; }
    void SetText(std::u16string text) { text_ = std::move(text); }
    const std::u16string& Abbreviation() const { return abbreviation_; }
    AbbreviationIndex& Index() const { return index_; }
    // The index was emptied at once (the whole list is going): the phrase has no entry left.
    void ForgetIndexEntry() { abbreviation_.clear(); }
    // Keeps the index in step; an exact repeat (case counts) changes nothing.
    void SetAbbreviation(const std::u16string& abbreviation);

    // The phrase's element in the phrase file, and its size in bytes.
    void WriteElement(TagBytesWriter& out) const;
    std::size_t ElementSize() const;
    // Takes one child of the phrase's element while the file is read.
    void OnChildTag(const std::u16string& tagName, const std::u16string& tagText);

private:
    void RemoveIndexEntry();

    AbbreviationIndex& index_;
    std::u16string text_;
    std::u16string abbreviation_;
};

} // namespace lumora
