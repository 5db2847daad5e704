#pragma once
#include "platform/Error.h"
#include "platform/FileSystem.h"

#include <map>
#include <set>
#include <vector>

namespace lumora::testing {

// Files in memory. Paths can be made unreadable or read-only, be links to other paths, and
// writes can be told to fail, so that the callers' failure paths can be checked. Every write
// (Put included) gives the file a new time of change.
class FakeFileSystem : public FileSystem {
public:
    std::map<std::u16string, std::string> Files;
    std::map<std::u16string, std::int64_t> Times;
    std::map<std::u16string, std::u16string> Links; // link -> the path it leads to
    std::set<std::u16string> Unreadable;
    std::set<std::u16string> ReadOnly;
    std::set<std::u16string> Unremovable;
    std::map<std::u16string, LocalTime> ChangedAt; // the local time Info gives, if any
    bool FailWrites = false;
    bool FailCopies = false;
    int Writes = 0;

    // Another program writes the file.
    void Put(const std::u16string& path, std::string bytes) {
        Files[Target(path)] = std::move(bytes);
        Times[Target(path)] = ++clock_;
    }

    std::optional<std::string> ReadFile(const std::u16string& path) override {
        if (Unreadable.count(path)) throw Error(u"Cannot open file \"" + path + u"\"");
        auto it = Files.find(Target(path));
        if (it == Files.end()) return std::nullopt;
        return it->second;
    }
    void WriteFileAtomic(const std::u16string& path, std::string_view bytes) override {
        ++Writes;
        if (FailWrites) throw Error(u"Cannot create file \"" + path + u"\": disk full");
        Put(path, std::string(bytes));
    }
    bool FileExists(const std::u16string& path) override { return Files.count(Target(path)) != 0; }
    void CopyFile(const std::u16string& from, const std::u16string& to) override {
        auto it = Files.find(Target(from));
        if (FailCopies || it == Files.end()) throw Error(u"Cannot copy file \"" + from + u"\"");
        Put(to, it->second);
    }
    std::optional<FileInfo> Info(const std::u16string& path) override {
        auto it = Files.find(Target(path));
        if (it == Files.end()) return std::nullopt;
        FileInfo info{{it->second.size(), Times[it->first]}, ReadOnly.count(path) != 0, {}};
        if (auto at = ChangedAt.find(it->first); at != ChangedAt.end()) info.Changed = at->second;
        return info;
    }
    bool WriteNewFile(const std::u16string& path, std::string_view bytes) override {
        if (FailWrites || FailCopies)
            throw Error(u"Cannot create file \"" + path + u"\": disk full");
        if (Files.count(Target(path))) return false;
        Put(path, std::string(bytes));
        return true;
    }
    std::vector<std::u16string> FilesStartingWith(const std::u16string& prefix) override {
        std::vector<std::u16string> found;
        for (const auto& [path, bytes] : Files)
            if (path.compare(0, prefix.size(), prefix) == 0 &&
                path.find(u'\\', prefix.size()) == std::u16string::npos)
                found.push_back(path);
        return found;
    }
    void RemoveFile(const std::u16string& path) override {
        if (Unremovable.count(path)) throw Error(u"Cannot delete file \"" + path + u"\"");
        Files.erase(Target(path));
        Times.erase(Target(path));
    }

private:
    std::u16string Target(const std::u16string& path) const {
        auto it = Links.find(path);
        return it == Links.end() ? path : it->second;
    }
    std::int64_t clock_ = 0;
};

} // namespace lumora::testing
