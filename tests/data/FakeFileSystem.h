#pragma once
#include "platform/Error.h"
#include "platform/FileSystem.h"

#include <map>
#include <set>

namespace lumora::testing {

// Files in memory. Paths can be made unreadable, and writes can be told to fail, so that the
// callers' failure paths can be checked.
class FakeFileSystem : public FileSystem {
public:
    std::map<std::u16string, std::string> Files;
    std::set<std::u16string> Unreadable;
    bool FailWrites = false;
    bool FailCopies = false;
    int Writes = 0;

    std::optional<std::string> ReadFile(const std::u16string& path) override {
        if (Unreadable.count(path)) throw Error(u"Cannot open file \"" + path + u"\"");
        auto it = Files.find(path);
        if (it == Files.end()) return std::nullopt;
        return it->second;
    }
    void WriteFileAtomic(const std::u16string& path, std::string_view bytes) override {
        ++Writes;
        if (FailWrites) throw Error(u"Cannot create file \"" + path + u"\": disk full");
        Files[path] = std::string(bytes);
    }
    bool FileExists(const std::u16string& path) override { return Files.count(path) != 0; }
    void CopyFile(const std::u16string& from, const std::u16string& to) override {
        auto it = Files.find(from);
        if (FailCopies || it == Files.end()) throw Error(u"Cannot copy file \"" + from + u"\"");
        Files[to] = it->second;
    }
};

} // namespace lumora::testing
