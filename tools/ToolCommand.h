#pragma once
#include "platform/FileSystem.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace lumora::tool {

// What a subcommand works with; the tests substitute string streams and a fake file system.
struct ToolIo {
    std::istream& In;
    std::ostream& Out; // UTF-8 lines
    std::ostream& Err;
    FileSystem& Files;
};

// A subcommand gets the arguments after its name and returns the exit code.
using ToolCommandFn = int (*)(const std::vector<std::u16string>& args, ToolIo& io);

struct ToolCommand {
    const char* Name;
    const char* Usage;
    ToolCommandFn Run;
};

// Exit codes shared by the subcommands.
constexpr int ExitOk = 0;
constexpr int ExitDataError = 1;
constexpr int ExitUsageOrFile = 2;

// One per file: tools/<Name>Command.cpp.
int DumpCommand(const std::vector<std::u16string>& args, ToolIo& io);
int WriteCommand(const std::vector<std::u16string>& args, ToolIo& io);
int FindCommand(const std::vector<std::u16string>& args, ToolIo& io);
int ImportCommand(const std::vector<std::u16string>& args, ToolIo& io);
int ExportCommand(const std::vector<std::u16string>& args, ToolIo& io);
int SimulateCommand(const std::vector<std::u16string>& args, ToolIo& io);

} // namespace lumora::tool
