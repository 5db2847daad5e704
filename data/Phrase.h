#pragma once
#include "data/AbbreviationIndex.h"

#include <string>

namespace lumora {

// The phrase data module: the one abbreviation index and the load flag. PhraseIndex entries
// carry the Phrase as their Data (void*, see AbbreviationEntry).
struct PhraseData {
    AbbreviationIndex PhraseIndex;
    // Set while a phrase file is read: new abbreviations are appended, unsorted, and the loader
    // sorts the index once at the end.
    bool LoadingPhrases = false;
};

// One phrase. A record with a non-empty Abbreviation has exactly one entry in PhraseIndex (value
// Abbreviation, data the record); one with an empty Abbreviation has none. Records are owned by the
// editor's rows and never copied, since the index refers to them by address.
class Phrase {
public:
    explicit Phrase(PhraseData& data) : data_(data) {}
    ~Phrase();
    Phrase(const Phrase&) = delete;
    Phrase& operator=(const Phrase&) = delete;

    const std::u16string& Text() const { return text_; }
    void SetText(std::u16string text) { text_ = std::move(text); }
    const std::u16string& Abbreviation() const { return abbreviation_; }
    // Keeps PhraseIndex in step; an exact repeat (case counts) changes nothing.
    void SetAbbreviation(const std::u16string& abbreviation);

    // The record's phrase element for the phrase file.
    std::u16string PhraseElement() const;
    // Takes one child of the record's phrase element while the file is read.
    void OnChildTag(const std::u16string& tagName, const std::u16string& tagText);

private:
    void RemoveIndexEntry();

    PhraseData& data_;
    std::u16string text_;
    std::u16string abbreviation_;
};

} // namespace lumora
