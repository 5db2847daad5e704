// lumoratool dump FILE: the phrases of a phrase file as JSON lines, in file order.
#include "data/PhraseFile.h"
#include "platform/Error.h"
#include "tools/Json.h"
#include "tools/ToolCommand.h"

#include <cstdint>
#include <limits>
#include <ostream>

namespace lumora::tool {

namespace {

void PrintPhrases(const PhraseList& rows, std::ostream& out) {
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        const Phrase& phrase = rows.At(i);
        out << "{\"autotext\":" << json::Quote(phrase.Abbreviation())
            << ",\"text\":" << json::Quote(phrase.Text()) << "}\n";
    }
    out.flush();
}

// The reader's messages are parts joined by CR, as the error box shows them; a terminal wants
// one part per line.
std::string ForTerminal(const std::u16string& message) {
    std::string text = Utf16ToUtf8(message);
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

} // namespace

int DumpCommand(const std::vector<std::u16string>& args, ToolIo& io) {
    if (args.size() != 1) {
        io.Err << "usage: lumoratool dump FILE\n";
        return ExitUsageOrFile;
    }
    std::optional<std::string> bytes;
    try {
        bytes = io.Files.ReadFile(args[0]);
    } catch (const Error& e) {
        io.Err << "lumoratool: " << ForTerminal(e.Message()) << "\n";
        return ExitUsageOrFile;
    }
    if (!bytes) {
        io.Err << "lumoratool: no such file: " << Utf16ToUtf8(args[0]) << "\n";
        return ExitUsageOrFile;
    }
    AbbreviationIndex data;
    PhraseList rows;
    try {
        LoadPhrasesFromBytes(rows, data, *bytes, std::numeric_limits<std::uint32_t>::max(), {});
    } catch (const Error& e) {
        PrintPhrases(rows, io.Out);
        io.Err << ForTerminal(e.Message()) << "\n";
        return ExitDataError;
    }
    PrintPhrases(rows, io.Out);
    return ExitOk;
}

} // namespace lumora::tool
