// The phrase file's file system on Windows: reads, atomic writes and questions about files
// through kernel32 alone.
#include "platform/win32/Win32FileSystem.h"

#include "platform/Error.h"
#include "platform/win32/SystemErrors.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"

#include <algorithm>
#include <string>
#include <vector>

namespace lumora {

namespace {

[[noreturn]] void Fail(std::u16string_view what, const std::u16string& path, DWORD code) {
    throw Error(std::u16string(what) + u" \"" + path + u"\": " + SystemErrorText(code));
}

// Opened only to ask about the file; a link is followed.
HANDLE OpenForQuery(const std::u16string& path) {
    return CreateFileW(WidePtr(path), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The file the path leads to, through symbolic links and junctions: MoveFileEx over a link
// would replace the link by a plain file and leave its target stale. Asked of every file, not
// only of reparse points: Wine shows a Unix link as a plain file, and resolves it here.
std::u16string LinkTarget(const std::u16string& path) {
    UniqueHandle file(OpenForQuery(path));
    if (!file.Valid()) return path;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetFinalPathNameByHandleW(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return path;
        if (n < buffer.size()) return FromWide(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

class Win32FileSystem final : public FileSystem {
public:
    std::optional<std::string> ReadFile(const std::u16string& path) override {
        UniqueHandle file(CreateFileW(WidePtr(path), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
            Fail(u"Cannot open file", path, error);
        }
        std::string bytes;
        char buffer[65536];
        for (;;) {
            DWORD n = 0;
            if (!::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr))
                Fail(u"Cannot read file", path, GetLastError());
            if (n == 0) break;
            bytes.append(buffer, n);
        }
        return bytes;
    }

    void WriteFileAtomic(const std::u16string& path, std::string_view bytes) override {
        const std::u16string target = LinkTarget(path);
        const std::u16string temp = WriteTemp(target, bytes, path);
        if (!MoveFileExW(WidePtr(temp), WidePtr(target),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            DeleteFileW(WidePtr(temp));
            Fail(u"Cannot replace file", path, error);
        }
    }

    bool WriteNewFile(const std::u16string& path, std::string_view bytes) override {
        const std::u16string temp = WriteTemp(path, bytes, path);
        // Without MOVEFILE_REPLACE_EXISTING the move fails on a name that is taken.
        if (!MoveFileExW(WidePtr(temp), WidePtr(path), MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            DeleteFileW(WidePtr(temp));
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
            Fail(u"Cannot create file", path, error);
        }
        return true;
    }

    std::vector<std::u16string> FilesStartingWith(const std::u16string& prefix) override {
        std::vector<std::u16string> found;
        const std::size_t slash = prefix.find_last_of(u"\\/");
        const std::u16string folder =
            slash == std::u16string::npos ? u"" : prefix.substr(0, slash + 1);
        const std::u16string namePrefix = prefix.substr(folder.size());
        WIN32_FIND_DATAW data{};
        const std::u16string pattern = prefix + u"*";
        HANDLE find = FindFirstFileExW(WidePtr(pattern), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) return found;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::u16string name = FromWide(std::wstring(data.cFileName));
            // The pattern also matches short 8.3 names; only the long name counts, compared as
            // the file system compares names.
            if (name.size() < namePrefix.size() ||
                CompareStringOrdinal(WidePtr(name), static_cast<int>(namePrefix.size()),
                                     WidePtr(namePrefix), static_cast<int>(namePrefix.size()),
                                     TRUE) != CSTR_EQUAL)
                continue;
            found.push_back(folder + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return found;
    }

    void RemoveFile(const std::u16string& path) override {
        if (!DeleteFileW(WidePtr(path))) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND) Fail(u"Cannot delete file", path, error);
        }
    }

    bool FileExists(const std::u16string& path) override {
        return GetFileAttributesW(WidePtr(path)) != INVALID_FILE_ATTRIBUTES;
    }

    void CopyFile(const std::u16string& from, const std::u16string& to) override {
        // The system's copy: the C++ runtime's copy_file with overwrite_existing fails under
        // MinGW once the destination exists ("File exists").
        if (!CopyFileW(WidePtr(from), WidePtr(to), FALSE))
            Fail(u"Cannot copy file", from, GetLastError());
    }

    std::optional<FileInfo> Info(const std::u16string& path) override {
        BY_HANDLE_FILE_INFORMATION data{};
        UniqueHandle file(OpenForQuery(path));
        if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &data)) {
            // Kept open by another program without sharing: its attributes still answer.
            WIN32_FILE_ATTRIBUTE_DATA attributes{};
            if (!GetFileAttributesExW(WidePtr(path), GetFileExInfoStandard, &attributes))
                return std::nullopt;
            data.dwFileAttributes = attributes.dwFileAttributes;
            data.ftLastWriteTime = attributes.ftLastWriteTime;
            data.nFileSizeHigh = attributes.nFileSizeHigh;
            data.nFileSizeLow = attributes.nFileSizeLow;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
        FileInfo info;
        info.Stamp.Size =
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info.Stamp.ModifiedTime = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime);
        info.ReadOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        FILETIME local{};
        SYSTEMTIME t{};
        if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
            FileTimeToSystemTime(&local, &t))
            info.Changed =
                LocalTime{t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond};
        return info;
    }

private:
    // The bytes in a new temporary file beside target, on the disk; its path.
    static std::u16string WriteTemp(const std::u16string& target, std::string_view bytes,
                                    const std::u16string& path) {
        const std::u16string temp = target + u".tmp" + Suffix();
        UniqueHandle file(CreateFileW(WidePtr(temp), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) Fail(u"Cannot create file", path, GetLastError());
        std::size_t at = 0;
        while (at < bytes.size()) {
            DWORD n = 0;
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20));
            if (!::WriteFile(file.Get(), bytes.data() + at, chunk, &n, nullptr) || n == 0) {
                const DWORD error = GetLastError();
                file.Close();
                DeleteFileW(WidePtr(temp));
                Fail(u"Cannot write file", path, error);
            }
            at += n;
        }
        // On the disk before it takes the old file's place: a power cut must not leave an
        // empty file behind.
        if (!FlushFileBuffers(file.Get()) || !file.Close()) {
            const DWORD error = GetLastError();
            DeleteFileW(WidePtr(temp));
            Fail(u"Cannot write file", path, error);
        }
        return temp;
    }

    static std::u16string Suffix() {
        const std::string s = std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetTickCount()) + "-" + std::to_string(++count_);
        return std::u16string(s.begin(), s.end());
    }
    static inline unsigned count_ = 0;
};

} // namespace

std::unique_ptr<FileSystem> MakeWin32FileSystem() {
    return std::make_unique<Win32FileSystem>();
}

} // namespace lumora
