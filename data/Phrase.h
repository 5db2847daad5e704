#pragma once
#include "data/AbbreviationIndex.h"

#include <string>

namespace lumora {

// The phrase data module: the one abbreviation index and the load flag. PhraseIndex entries
// carry the TMiniData as their Data (void*, see TStringData).
struct TPhraseData {
    TDataStringList PhraseIndex;
    // Set while a phrase file is read: new abbreviations are appended, unsorted, and the loader
    // sorts the index once at the end.
    bool LoadingPhrases = false;
};

// One phrase. A record with a non-empty Autotext has exactly one entry in PhraseIndex (value
// Autotext, data the record); one with an empty Autotext has none. Records are owned by the
// editor's rows and never copied, since the index refers to them by address.
class TMiniData {
public:
    explicit TMiniData(TPhraseData& data) : fData(data) {}
    ~TMiniData();
    TMiniData(const TMiniData&) = delete;
    TMiniData& operator=(const TMiniData&) = delete;

    const std::u16string& Text() const { return fText; }
    void SetText(std::u16string text) { fText = std::move(text); }
    const std::u16string& Autotext() const { return fAutotext; }
    // Keeps PhraseIndex in step; an exact repeat (case counts) changes nothing.
    void SetAutotext(const std::u16string& autotext);

    // The record's phrase element for the phrase file.
    std::u16string GenXMLNode() const;
    // Takes one child of the record's phrase element while the file is read.
    void OnDataTag(const std::u16string& tagName, const std::u16string& tagText);

private:
    void RemoveIndexEntry();

    TPhraseData& fData;
    std::u16string fText;
    std::u16string fAutotext;
};

} // namespace lumora
