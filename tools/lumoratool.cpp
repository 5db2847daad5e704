// lumoratool: a small dispatcher over subcommands, each in its own file.
#include "platform/TextCase.h"
#include "platform/Utf.h"
#include "tools/ToolCommand.h"

#include <cstring>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

using namespace lumora;
using namespace lumora::tool;

namespace {

// One line per subcommand.
const ToolCommand Commands[] = {
    {"dump", "dump FILE          print the phrases of FILE as JSON lines", &DumpCommand},
    {"write", "write FILE         write FILE from JSON lines on standard input", &WriteCommand},
    {"find", "find FILE VALUE... the phrases the index finds for each VALUE", &FindCommand},
    {"import",
     "import FILE [--into FILE.lmx] [--add-duplicates] [--dry-run] [--format F] [-maxitems=N]\n"
     "                     phrases from espanso, Beeftext, AutoHotkey, CSV or Lumora files",
     &ImportCommand},
    {"export", "export --csv FILE.lmx [OUT.csv]  the phrases as CSV", &ExportCommand},
    {"simulate", "simulate FILE [-delims=N] [-maxitems=N]  run a typing script from stdin",
     &SimulateCommand},
};

void PrintUsage() {
    std::cerr << "usage: lumoratool COMMAND ARGS...\n";
    for (const auto& command : Commands)
        std::cerr << "  " << command.Usage << "\n";
}

std::u16string Argument(const char* arg) {
#ifdef _WIN32
    return AnsiToUtf16(arg); // main's arguments come in the ANSI code page
#else
    return Utf8ToUtf16(arg);
#endif
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Byte-exact UTF-8 lines, the same as the native tool's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2) {
        PrintUsage();
        return ExitUsageOrFile;
    }
    for (const auto& command : Commands) {
        if (std::strcmp(argv[1], command.Name) != 0) continue;
        std::vector<std::u16string> args;
        for (int i = 2; i < argc; ++i)
            args.push_back(Argument(argv[i]));
        auto files = MakeStdFileSystem();
        ToolIo io{std::cin, std::cout, std::cerr, *files};
        try {
            return command.Run(args, io);
        } catch (const std::exception& e) {
            std::cerr << "lumoratool: " << e.what() << "\n";
            return ExitUsageOrFile;
        }
    }
    std::cerr << "lumoratool: unknown command \"" << argv[1] << "\"\n";
    PrintUsage();
    return ExitUsageOrFile;
}
