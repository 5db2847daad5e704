// The importers on arbitrary bytes: the first byte picks the format, the rest is the file. A
// file is either read or refused with an ImportError (never another exception or a crash); what
// is read can be planned, reported and added, and the list it makes goes out as CSV and comes
// back the same.
#include "exchange/PhraseImport.h"

#include <cstddef>
#include <cstdint>
#include <map>

namespace {

using namespace lumora;

// The file alone, in memory (an espanso file's imports find nothing).
class OneFile : public FileSystem {
public:
    std::map<std::u16string, std::string> Files;
    std::optional<std::string> ReadFile(const std::u16string& path) override {
        const auto it = Files.find(path);
        if (it == Files.end()) return std::nullopt;
        return it->second;
    }
    void WriteFileAtomic(const std::u16string& path, std::string_view bytes) override {
        Files[path] = std::string(bytes);
    }
    bool FileExists(const std::u16string& path) override { return Files.contains(path); }
    void CopyFile(const std::u16string&, const std::u16string&) override {}
    std::optional<FileInfo> Info(const std::u16string&) override { return std::nullopt; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const ImportFormat Formats[] = {ImportFormat::Espanso,    ImportFormat::Beeftext,
                                           ImportFormat::AutoHotkey, ImportFormat::PhraseFile,
                                           ImportFormat::JsonLines,  ImportFormat::Csv,
                                           ImportFormat::FromName};
    const ImportFormat format = Formats[data[0] % std::size(Formats)];
    OneFile files;
    files.Files[u"in.file"] = std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
    ImportedFile file;
    try {
        file = ReadImportFile(files, u"in.file", format);
    } catch (const ImportError&) {
        return 0;
    } catch (const Error&) {
        // Only the format's guess from the content may refuse a file this way.
        if (format != ImportFormat::FromName) __builtin_trap();
        return 0;
    }
    AbbreviationIndex index;
    PhraseList rows;
    const ImportPlan plan = PlanImport(file, rows, {.AddDuplicates = true});
    (void)ImportReport(plan);
    if (ApplyImport(plan, rows, index) != plan.ToAdd.size()) __builtin_trap();

    files.Files[u"out.csv"] = PhrasesAsCsv(rows);
    const ImportedFile back = ReadImportFile(files, u"out.csv");
    if (back.Entries.size() != rows.Count()) __builtin_trap();
    for (std::size_t i = 0; i < rows.Count(); ++i)
        if (back.Entries[i].Abbreviation != rows.At(i).Abbreviation() ||
            back.Entries[i].Text != WithCrLf(rows.At(i).Text()))
            __builtin_trap();
    return 0;
}
