#pragma once
// Runs a lumoratool subcommand in-process on string streams and the given files.
#include "tools/ToolCommand.h"

#include <sstream>
#include <string>
#include <vector>

namespace lumora::tool {

struct ToolRun {
    int rc;
    std::string out, err;
};

inline ToolRun RunTool(ToolCommandFn command, const std::vector<std::u16string>& args,
                       FileSystem& files, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    ToolIo io{in, out, err, files};
    const int rc = command(args, io);
    return {rc, out.str(), err.str()};
}

} // namespace lumora::tool
