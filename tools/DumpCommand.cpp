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

void PrintPhrases(const TPhraseRows& rows, std::ostream& out) {
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        const TMiniData& phrase = rows.At(i);
        out << "{\"autotext\":" << json::Quote(phrase.Autotext())
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
        return kExitUsageOrFile;
    }
    std::optional<std::string> bytes;
    try {
        bytes = io.Files.ReadFile(args[0]);
    } catch (const EVrbException& e) {
        io.Err << "lumoratool: " << ForTerminal(e.Message()) << "\n";
        return kExitUsageOrFile;
    }
    if (!bytes) {
        io.Err << "lumoratool: no such file: " << Utf16ToUtf8(args[0]) << "\n";
        return kExitUsageOrFile;
    }
    TPhraseData data;
    TPhraseRows rows;
    try {
        LoadPhrasesFromBytes(rows, data, *bytes, std::numeric_limits<std::uint32_t>::max(), {});
    } catch (const EVrbException& e) {
        PrintPhrases(rows, io.Out);
        io.Err << ForTerminal(e.Message()) << "\n";
        return kExitDataError;
    }
    PrintPhrases(rows, io.Out);
    return kExitOk;
}

} // namespace lumora::tool
