#pragma once
// The phrase file's file system on Windows, through kernel32 alone.
#include "platform/FileSystem.h"

#include <memory>

namespace lumora {

std::unique_ptr<FileSystem> MakeWin32FileSystem();

} // namespace lumora
