#include "data/PhraseFile.h"

#include "data/TagWriter.h"

#include <memory>

namespace lumora {

namespace {

void AppendUtf16LE(std::string& out, std::u16string_view text) {
    std::size_t at = out.size();
    out.resize(at + 2 * text.size());
    for (char16_t c : text) {
        out[at++] = static_cast<char>(c & 0xFF);
        out[at++] = static_cast<char>(c >> 8);
    }
}

// Clears LoadingPhrases and sorts the index however the load ends.
class LoadingGuard {
public:
    explicit LoadingGuard(TPhraseData& data) : fData(data) { fData.LoadingPhrases = true; }
    ~LoadingGuard() {
        fData.LoadingPhrases = false;
        fData.PhraseIndex.Sort();
    }
    LoadingGuard(const LoadingGuard&) = delete;
    LoadingGuard& operator=(const LoadingGuard&) = delete;

private:
    TPhraseData& fData;
};

} // namespace

std::string PhraseFileBytes(const TPhraseRows& rows) {
    std::string bytes = "\xFF\xFE";
    AppendUtf16LE(bytes, u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    AppendUtf16LE(bytes, GenXMLTag(u"phrases", u"", true, false));
    for (std::size_t i = 0; i < rows.Count(); ++i)
        AppendUtf16LE(bytes, rows.At(i).GenXMLNode());
    AppendUtf16LE(bytes, GenXMLTag(u"phrases", u"", false, true));
    return bytes;
}

void SavePhrases(const TPhraseRows& rows, FileSystem& files, const std::u16string& path) {
    files.WriteFileAtomic(path, PhraseFileBytes(rows));
}

void TPhraseTagHandler::OnPhraseTag(PXMLTag Tag) {
    if (fRows.Count() >= fMaxItems) {
        if (Tag->Name == u"phrase") fStoppedAtLimit = true;
        return;
    }
    if (Tag->Name != u"phrase") return;
    // The rows are not edited while a load runs (the window is still hidden), so the phrase
    // outlives its element.
    TMiniData& phrase = fRows.Append(std::make_unique<TMiniData>(fData));
    Tag->TagEvent = nullptr;
    Tag->DataEvent = [&phrase](const std::u16string& name, const std::u16string& text) {
        phrase.OnDataTag(name, text);
    };
    if (fProcessMessages) fProcessMessages();
}

TPhraseLoadResult LoadPhrasesFromBytes(TPhraseRows& rows, TPhraseData& data, std::string_view bytes,
                                       std::uint32_t maxItems,
                                       const std::function<void()>& processMessages) {
    rows.ClearPhrases();
    TPhraseLoadResult result;
    result.FileFound = true;
    TPhraseTagHandler handler(rows, data, maxItems, processMessages);
    {
        LoadingGuard loading(data);
        TRowsBatch batch(rows);
        ParseXMLStream(
            bytes, [&handler](PXMLTag tag) { handler.OnPhraseTag(tag); }, nullptr);
    }
    result.StoppedAtLimit = handler.StoppedAtLimit();
    return result;
}

TPhraseLoadResult LoadPhrases(TPhraseRows& rows, TPhraseData& data, FileSystem& files,
                              const std::u16string& path, std::uint32_t maxItems,
                              const std::function<void()>& processMessages) {
    rows.ClearPhrases();
    std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) return {};
    return LoadPhrasesFromBytes(rows, data, *bytes, maxItems, processMessages);
}

TPhraseLoadResult TPhraseFile::Load(TPhraseRows& rows, TPhraseData& data, std::uint32_t maxItems,
                                    const std::function<void()>& processMessages) {
    fLoadFailed = true; // until the load has come through
    fStoppedAtLimit = false;
    TPhraseLoadResult result = LoadPhrases(rows, data, fFiles, fPath, maxItems, processMessages);
    fLoadFailed = false;
    fStoppedAtLimit = result.StoppedAtLimit;
    return result;
}

void TPhraseFile::SaveAtExit(const TPhraseRows& rows) {
    if (KeepsOldFile() && fFiles.FileExists(fPath)) fFiles.CopyFile(fPath, BackupPath());
    SavePhrases(rows, fFiles, fPath);
}

} // namespace lumora
