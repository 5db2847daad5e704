#pragma once
// The program's place and its version number, as the executable's resources give it.
#include <cstdint>
#include <string>

namespace lumora {

// "major.minor.release" from a file's VS_FIXEDFILEINFO (the fourth number is not shown);
// "0.0.0" when the file has no version information or it cannot be read.
std::u16string VersionString(const std::u16string& path);

// The same from the two version words.
std::u16string FormatVersion(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS);

// The full path of the running executable, and its folder with the trailing separator.
std::u16string ExecutablePath();
std::u16string ExecutableFolder();

} // namespace lumora
