#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// Whole-file access for the phrase file. Paths are UTF-16. Failures throw Error with
// a message that names the file.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The file's bytes; std::nullopt when no file exists at the path (a file that exists but
    // cannot be read throws).
    virtual std::optional<std::string> ReadFile(const std::u16string& path) = 0;
    // Writes a temporary file in the same folder and renames it over the path only once it is
    // complete: on failure the old file is left exactly as it was.
    virtual void WriteFileAtomic(const std::u16string& path, std::string_view bytes) = 0;
    virtual bool FileExists(const std::u16string& path) = 0;
    // Copies a file, replacing the destination if it exists.
    virtual void CopyFile(const std::u16string& from, const std::u16string& to) = 0;
};

// The real file system through std::filesystem (native builds and MinGW alike).
std::unique_ptr<FileSystem> MakeStdFileSystem();

} // namespace lumora
