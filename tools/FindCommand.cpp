// lumoratool find FILE VALUE...: the phrases the index finds for each value, as the candidate
// search would look them up. Mainly a check that the case-insensitive order and equality agree
// between builds (the Windows one uses the system's comparisons).
#include "data/PhraseFile.h"
#include "platform/Error.h"
#include "tools/Json.h"
#include "tools/ToolCommand.h"

#include <algorithm>
#include <limits>
#include <ostream>

namespace lumora::tool {

int FindCommand(const std::vector<std::u16string>& args, ToolIo& io) {
    if (args.size() < 2) {
        io.Err << "usage: lumoratool find FILE VALUE...\n";
        return ExitUsageOrFile;
    }
    std::optional<std::string> bytes = io.Files.ReadFile(args[0]);
    if (!bytes) {
        io.Err << "lumoratool: no such file: " << Utf16ToUtf8(args[0]) << "\n";
        return ExitUsageOrFile;
    }
    AbbreviationIndex data;
    PhraseList rows;
    LoadPhrasesFromBytes(rows, data, *bytes, std::numeric_limits<std::uint32_t>::max(), {});
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::vector<const AbbreviationEntry*> found;
        data.Find(args[i], found);
        // Which of equal entries the halving meets first depends on the sort; print them in
        // a fixed order so that builds can be compared.
        std::vector<std::pair<std::u16string, std::u16string>> phrases;
        for (const AbbreviationEntry* entry : found) {
            const auto* phrase = static_cast<const Phrase*>(entry->Record);
            phrases.emplace_back(phrase->Abbreviation(), phrase->Text());
        }
        std::sort(phrases.begin(), phrases.end());
        io.Out << "{\"value\":" << json::Quote(args[i]) << ",\"found\":[";
        for (std::size_t k = 0; k < phrases.size(); ++k) {
            io.Out << (k ? "," : "") << "{\"autotext\":" << json::Quote(phrases[k].first)
                   << ",\"text\":" << json::Quote(phrases[k].second) << "}";
        }
        io.Out << "]}\n";
    }
    return ExitOk;
}

} // namespace lumora::tool
