// One phrase: keeps its abbreviation's index entry in step with its text and abbreviation.
#include "data/Phrase.h"

#include "data/TagWriter.h"

namespace lumora {

Phrase::~Phrase() {
    if (!abbreviation_.empty()) RemoveIndexEntry();
}

void Phrase::RemoveIndexEntry() {
    // While a load runs the index is unsorted, so the halving may miss the entry; the slow walk
    // by address finds it, so that no entry outlives its abbreviation.
    if (!index_.Remove(abbreviation_, this)) index_.RemoveByWalk(this);
}

void Phrase::SetAbbreviation(const std::u16string& abbreviation) {
    if (abbreviation == abbreviation_) return;
    if (!abbreviation_.empty()) RemoveIndexEntry();
    abbreviation_ = abbreviation;
    if (abbreviation_.empty()) return;
    if (index_.LoadingPhrases())
        index_.Add(abbreviation_, this);
    else
        index_.Insert(abbreviation_, this);
}

void Phrase::WriteElement(TagBytesWriter& out) const {
    out.Tag(u"phrase", u"", true, false);
    out.Tag(u"description", text_, true, true);
    out.Tag(u"autotext", abbreviation_, true, true);
    out.Tag(u"phrase", u"", false, true);
}

std::size_t Phrase::ElementSize() const {
    return TagBytesWriter::TagSize(u"phrase", u"", true, false) +
           TagBytesWriter::TagSize(u"description", text_, true, true) +
           TagBytesWriter::TagSize(u"autotext", abbreviation_, true, true) +
           TagBytesWriter::TagSize(u"phrase", u"", false, true);
}

void Phrase::OnChildTag(const std::u16string& tagName, const std::u16string& tagText) {
    if (tagName == u"description")
        SetText(Base64ToText(tagText));
    else if (tagName == u"autotext")
        SetAbbreviation(Base64ToText(tagText));
}

} // namespace lumora
