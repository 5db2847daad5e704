#pragma once
#include "platform/DateFormats.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// What tells one version of a file from another without reading it.
struct FileStamp {
    std::uint64_t Size = 0;
    std::int64_t ModifiedTime = 0; // the system's own units; only compared
    bool operator==(const FileStamp&) const = default;
};

struct FileInfo {
    FileStamp Stamp;
    bool ReadOnly = false;
    // The time of the last change in local time, for showing; nullopt when unknown.
    std::optional<LocalTime> Changed;
};

// Whole-file access for the phrase file. Paths are UTF-16. Failures throw Error with
// a message that names the file. A path that is a link stands for the file it leads to.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The file's bytes; std::nullopt when no file exists at the path (a file that exists but
    // cannot be read throws).
    virtual std::optional<std::string> ReadFile(const std::u16string& path) = 0;
    // Writes a temporary file in the folder of the file the path leads to, and renames it
    // over that file only once it is complete and flushed to the disk: on failure the old file
    // is left exactly as it was, and a link stays a link.
    virtual void WriteFileAtomic(const std::u16string& path, std::string_view bytes) = 0;
    virtual bool FileExists(const std::u16string& path) = 0;
    // Copies a file, replacing the destination if it exists.
    virtual void CopyFile(const std::u16string& from, const std::u16string& to) = 0;
    // Size, time of the last change and the read-only mark; std::nullopt when there is no file.
    virtual std::optional<FileInfo> Info(const std::u16string& path) = 0;
    // Writes a file that must not exist yet, completely before it appears under its name; false
    // (and nothing written) when a file of that name exists. For copies that are never
    // overwritten.
    virtual bool WriteNewFile(const std::u16string& path, std::string_view bytes) = 0;
    // The paths of the files (not folders) in prefix's folder whose path begins with prefix
    // ("C:\L\lumora.lmx." finds every copy beside lumora.lmx), in no particular order.
    virtual std::vector<std::u16string> FilesStartingWith(const std::u16string& prefix) = 0;
    virtual void RemoveFile(const std::u16string& path) = 0;
};

// The real file system through std::filesystem (native builds and MinGW alike).
std::unique_ptr<FileSystem> MakeStdFileSystem();

} // namespace lumora
