#include "data/Phrase.h"

#include "data/TagReader.h"
#include "data/TagWriter.h"

namespace lumora {

TMiniData::~TMiniData() {
    if (!fAutotext.empty()) RemoveIndexEntry();
}

void TMiniData::RemoveIndexEntry() {
    // While a load runs the index is unsorted, so the halving may miss the entry; the slow walk
    // by address finds it, so that no entry outlives its abbreviation.
    if (!fData.PhraseIndex.Delete(fAutotext, this)) fData.PhraseIndex.DeleteSlow(this, false);
}

void TMiniData::SetAutotext(const std::u16string& autotext) {
    if (autotext == fAutotext) return;
    if (!fAutotext.empty()) RemoveIndexEntry();
    fAutotext = autotext;
    if (fAutotext.empty()) return;
    if (fData.LoadingPhrases)
        fData.PhraseIndex.Add(fAutotext, this);
    else
        fData.PhraseIndex.Insert(fAutotext, this);
}

std::u16string TMiniData::GenXMLNode() const {
    return GenXMLTag(u"phrase", u"", true, false) + GenXMLTag(u"description", fText, true, true) +
           GenXMLTag(u"autotext", fAutotext, true, true) + GenXMLTag(u"phrase", u"", false, true);
}

void TMiniData::OnDataTag(const std::u16string& tagName, const std::u16string& tagText) {
    if (tagName == u"description")
        SetText(Base64ToText(tagText));
    else if (tagName == u"autotext")
        SetAutotext(Base64ToText(tagText));
}

} // namespace lumora
