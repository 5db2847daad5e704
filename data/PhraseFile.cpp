#include "data/PhraseFile.h"

#include "data/TagWriter.h"

#include <memory>

namespace lumora {

std::string PhraseFileBytes(const PhraseList& rows) {
    constexpr std::u16string_view header = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    // Sized once: a save of 10,000 phrases is one allocation of the file's size.
    std::size_t size = 2 + 2 * header.size() +
                       TagBytesWriter::TagSize(u"phrases", u"", true, false) +
                       TagBytesWriter::TagSize(u"phrases", u"", false, true);
    for (std::size_t i = 0; i < rows.Count(); ++i)
        size += rows.At(i).ElementSize();
    std::string bytes;
    bytes.reserve(size);
    bytes = "\xFF\xFE";
    TagBytesWriter out(bytes);
    out.Text(header);
    out.Tag(u"phrases", u"", true, false);
    for (std::size_t i = 0; i < rows.Count(); ++i)
        rows.At(i).WriteElement(out);
    out.Tag(u"phrases", u"", false, true);
    return bytes;
}

void SavePhrases(const PhraseList& rows, FileSystem& files, const std::u16string& path) {
    files.WriteFileAtomic(path, PhraseFileBytes(rows));
}

void PhraseTagHandler::OnPhraseTag(Tag* tag) {
    if (rows_.Count() >= maxPhrases_) {
        if (tag->Name == u"phrase") stoppedAtLimit_ = true;
        return;
    }
    if (tag->Name != u"phrase") return;
    // The rows are not edited while a load runs (the window is still hidden), so the phrase
    // outlives its element.
    Phrase& phrase = rows_.Append(std::make_unique<Phrase>(index_));
    tag->Opened = nullptr;
    tag->Closed = [&phrase](const std::u16string& name, const std::u16string& text) {
        phrase.OnChildTag(name, text);
    };
    if (processMessages_) processMessages_();
}

PhraseLoadResult LoadPhrasesFromBytes(PhraseList& rows, AbbreviationIndex& index,
                                      std::string_view bytes, std::uint32_t maxPhrases,
                                      const std::function<void()>& processMessages) {
    rows.ClearPhrases();
    PhraseLoadResult result;
    result.FileFound = true;
    PhraseTagHandler handler(rows, index, maxPhrases, processMessages);
    {
        // Sorts the index once, however the load ends.
        AbbreviationIndex::LoadScope loading(index);
        PhraseListBatch batch(rows);
        ReadTags(
            bytes, [&handler](Tag* tag) { handler.OnPhraseTag(tag); }, nullptr);
    }
    result.StoppedAtLimit = handler.StoppedAtLimit();
    return result;
}

PhraseLoadResult LoadPhrases(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                             const std::u16string& path, std::uint32_t maxPhrases,
                             const std::function<void()>& processMessages) {
    rows.ClearPhrases();
    std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) return {};
    return LoadPhrasesFromBytes(rows, index, *bytes, maxPhrases, processMessages);
}

PhraseLoadResult PhraseFile::Load(PhraseList& rows, AbbreviationIndex& index,
                                  std::uint32_t maxPhrases,
                                  const std::function<void()>& processMessages) {
    loadFailed_ = true; // until the load has come through
    stoppedAtLimit_ = false;
    PhraseLoadResult result = LoadPhrases(rows, index, files_, path_, maxPhrases, processMessages);
    loadFailed_ = false;
    stoppedAtLimit_ = result.StoppedAtLimit;
    return result;
}

void PhraseFile::SaveAtExit(const PhraseList& rows) {
    if (KeepsOldFile() && files_.FileExists(path_)) files_.CopyFile(path_, BackupPath());
    SavePhrases(rows, files_, path_);
}

} // namespace lumora
