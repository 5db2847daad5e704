// The phrase file's file system through std::filesystem, for the native builds.
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/MessageText.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace lumora {

namespace fs = std::filesystem;

namespace {

// std::filesystem takes wide strings on Windows and bytes (UTF-8 here) elsewhere; converting
// ourselves keeps lone surrogates from throwing inside the library.
fs::path ToPath(const std::u16string& path) {
#ifdef _WIN32
    return fs::path(std::wstring(path.begin(), path.end()));
#else
    return fs::path(Utf16ToUtf8(path));
#endif
}

std::u16string FromPath(const fs::path& path) {
#ifdef _WIN32
    const std::wstring wide = path.wstring();
    return std::u16string(wide.begin(), wide.end());
#else
    return Utf8ToUtf16(path.string());
#endif
}

LocalTime LocalTimeOf(fs::file_time_type time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(time)));
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
}

[[noreturn]] void Fail(std::u16string_view what, const std::u16string& path, int error) {
    std::u16string message(what);
    message += u" " + Quoted(path);
    if (error != 0) message += u": " + Utf8ToUtf16(std::generic_category().message(error));
    throw Error(message);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const fs::path& p, bool write) {
#ifdef _WIN32
    return FilePtr(_wfopen(p.c_str(), write ? L"wb" : L"rb"));
#else
    return FilePtr(std::fopen(p.c_str(), write ? "wb" : "rb"));
#endif
}

// Removes the temporary file on every path unless it has been renamed into place.
class TempFileGuard {
public:
    explicit TempFileGuard(fs::path p) : path_(std::move(p)) {}
    ~TempFileGuard() {
        if (!released_) {
            std::error_code ec;
            fs::remove(path_, ec);
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { released_ = true; }

private:
    fs::path path_;
    bool released_ = false;
};

class StdFileSystem final : public FileSystem {
public:
    std::optional<std::string> ReadFile(const std::u16string& path) override {
        fs::path p = ToPath(path);
        std::error_code ec;
        fs::file_status st = fs::status(p, ec);
        if (st.type() == fs::file_type::not_found) return std::nullopt;
        if (ec) Fail(u"Cannot open file", path, ec.value());
        if (fs::is_directory(st)) Fail(u"Cannot open file", path, EISDIR);
        errno = 0;
        FilePtr f = OpenFile(p, false);
        if (!f) Fail(u"Cannot open file", path, errno);
        std::string bytes;
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
            bytes.append(buffer, n);
        if (std::ferror(f.get())) Fail(u"Cannot read file", path, errno);
        return bytes;
    }

    void WriteFileAtomic(const std::u16string& path, std::string_view bytes) override {
        fs::path target = LinkTarget(ToPath(path));
        fs::path temp = target;
        temp += TempSuffix();
        TempFileGuard guard(temp);
        WriteWhole(temp, bytes, path);
        std::error_code ec;
        fs::rename(temp, target, ec);
        if (ec) Fail(u"Cannot replace file", path, ec.value());
        guard.Release();
    }

    bool WriteNewFile(const std::u16string& path, std::string_view bytes) override {
        const fs::path target = ToPath(path);
        fs::path temp = target;
        temp += TempSuffix();
        TempFileGuard guard(temp);
        WriteWhole(temp, bytes, path);
        // A second name for the complete file, which fails when the name is taken: unlike a
        // rename, it never replaces what is there.
        std::error_code ec;
        fs::create_hard_link(temp, target, ec);
        if (ec == std::errc::file_exists) return false;
        if (ec) Fail(u"Cannot create file", path, ec.value());
        return true;
    }

    std::vector<std::u16string> FilesStartingWith(const std::u16string& prefix) override {
        std::vector<std::u16string> found;
        const fs::path start = ToPath(prefix);
        const std::u16string namePrefix = FromPath(start.filename());
        // The folder part as given, so that the paths found read like the prefix.
        const std::u16string folderPart = prefix.substr(0, prefix.size() - namePrefix.size());
        fs::path folder = start.parent_path();
        if (folder.empty()) folder = ".";
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::u16string name = FromPath(it->path().filename());
            if (name.compare(0, namePrefix.size(), namePrefix) != 0) continue;
            std::error_code typeError;
            if (!it->is_regular_file(typeError)) continue;
            found.push_back(folderPart + name);
        }
        return found;
    }

    void RemoveFile(const std::u16string& path) override {
        std::error_code ec;
        if (!fs::remove(ToPath(path), ec) && ec) Fail(u"Cannot delete file", path, ec.value());
    }

    bool FileExists(const std::u16string& path) override {
        std::error_code ec;
        return fs::exists(ToPath(path), ec);
    }

    void CopyFile(const std::u16string& from, const std::u16string& to) override {
        std::error_code ec;
        fs::copy_file(ToPath(from), ToPath(to), fs::copy_options::overwrite_existing, ec);
        if (ec) Fail(u"Cannot copy file", from, ec.value());
    }

    std::optional<FileInfo> Info(const std::u16string& path) override {
        std::error_code ec;
        const fs::path p = ToPath(path);
        const fs::file_status st = fs::status(p, ec);
        if (ec || !fs::is_regular_file(st)) return std::nullopt;
        FileInfo info;
        info.Stamp.Size = fs::file_size(p, ec);
        const fs::file_time_type changed = fs::last_write_time(p, ec);
        info.Stamp.ModifiedTime = changed.time_since_epoch().count();
        if (!ec) info.Changed = LocalTimeOf(changed);
        // The permission bits, as Windows' read-only mark is mapped to them (and the super
        // user, who may write anyway, still gets the user's intent).
        info.ReadOnly = (st.permissions() & fs::perms::owner_write) == fs::perms::none;
        return info;
    }

    PathKind Kind(const std::u16string& path) override {
        std::error_code ec;
        const fs::path p = ToPath(path);
        const fs::file_status st = fs::status(p, ec);
        if (fs::is_directory(st)) return PathKind::Folder;
        if (fs::exists(st)) return PathKind::File;
        if (st.type() != fs::file_type::not_found) return PathKind::Unreachable;
        // Not there: a file may come, or its folder is missing too.
        fs::path folder = p.parent_path();
        if (folder.empty()) folder = ".";
        return fs::is_directory(fs::status(folder, ec)) ? PathKind::Missing : PathKind::Unreachable;
    }

    bool FolderExists(const std::u16string& path) override {
        std::error_code ec;
        return fs::is_directory(ToPath(path), ec);
    }

    void TryCreateFileIn(const std::u16string& folder) override {
        fs::path scratch = ToPath(folder) / "lumora-write-test";
        scratch += TempSuffix();
        errno = 0;
        FilePtr f = OpenFile(scratch, true);
        if (!f) Fail(u"Cannot create a file in the folder", folder, errno);
        f.reset();
        std::error_code ec;
        fs::remove(scratch, ec);
    }

private:
    // The bytes in a new file at p, flushed to the disk.
    static void WriteWhole(const fs::path& p, std::string_view bytes, const std::u16string& path) {
        errno = 0;
        FilePtr f = OpenFile(p, true);
        if (!f) Fail(u"Cannot create file", path, errno);
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
            Fail(u"Cannot write file", path, errno);
        if (std::fflush(f.get()) != 0) Fail(u"Cannot write file", path, errno);
#ifndef _WIN32
        // A power cut after the rename must not leave an empty file in place of the old one.
        if (::fsync(::fileno(f.get())) != 0) Fail(u"Cannot write file", path, errno);
#endif
        std::FILE* raw = f.release();
        if (std::fclose(raw) != 0) Fail(u"Cannot write file", path, errno);
    }

    // The file a link leads to, so that the write replaces the target and the link stays.
    static fs::path LinkTarget(const fs::path& p) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        fs::path target = fs::weakly_canonical(p, ec);
        return ec ? p : target;
    }

    static std::string TempSuffix() {
        static std::mt19937 random{std::random_device{}()};
        return ".tmp" + std::to_string(random() % 1000000);
    }
};

} // namespace

std::unique_ptr<FileSystem> MakeStdFileSystem() {
    return std::make_unique<StdFileSystem>();
}

} // namespace lumora
