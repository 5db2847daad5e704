// lumoratool write FILE: a phrase file from JSON lines {"autotext":"…","text":"…"}.
#include "data/PhraseFile.h"
#include "platform/Error.h"
#include "platform/Utf.h"
#include "tools/Json.h"
#include "tools/ToolCommand.h"

#include <istream>
#include <optional>
#include <ostream>

namespace lumora::tool {

namespace {

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

// The two strings of one line, or a reason why the line is not such an object.
std::pair<std::u16string, std::u16string> ReadPhraseLine(const std::string& line) {
    const nlohmann::json v = json::Parse(line);
    if (!v.is_object()) throw json::Error("not a JSON object");
    for (const auto& [key, value] : v.items()) {
        const std::string quoted = json::Quote(Utf8ToUtf16(key));
        if (key != "autotext" && key != "text") throw json::Error("unexpected key " + quoted);
        if (!value.is_string()) throw json::Error("value of " + quoted + " is not a string");
    }
    if (!v.contains("autotext")) throw json::Error("missing key \"autotext\"");
    if (!v.contains("text")) throw json::Error("missing key \"text\"");
    return {json::TextOf(v["autotext"]), json::TextOf(v["text"])};
}

} // namespace

int WriteCommand(const std::vector<std::u16string>& args, ToolIo& io) {
    if (args.size() != 1) {
        io.Err << "usage: lumoratool write FILE < phrases.jsonl\n";
        return ExitUsageOrFile;
    }
    AbbreviationIndex data;
    PhraseList rows;
    // One sort at the end, not a sorted insert per line.
    std::optional<AbbreviationIndex::LoadScope> loading(std::in_place, data);
    std::string line;
    for (long long number = 1; std::getline(io.In, line); ++number) {
        if (IsBlank(line)) continue;
        if (line.back() == '\r') line.pop_back();
        try {
            auto [abbreviation, text] = ReadPhraseLine(line);
            rows.AppendPhrase(data, abbreviation, std::move(text));
        } catch (const json::Error& e) {
            io.Err << "line " << number;
            if (e.Column) io.Err << ", column " << *e.Column;
            io.Err << ": " << e.what() << "\n";
            return ExitDataError;
        }
    }
    loading.reset();
    try {
        SavePhrases(rows, io.Files, args[0]);
    } catch (const Error& e) {
        io.Err << "lumoratool: " << e.what() << "\n";
        return ExitUsageOrFile;
    }
    return ExitOk;
}

} // namespace lumora::tool
