#pragma once
#include "platform/FileSystem.h"
#include "platform/MessageBoxes.h"
#include "settings/Settings.h"

#include <string>

namespace lumora {

// The settings file lumora.ini: read at start, written when a setting changes.
class SettingsFile {
public:
    SettingsFile(FileSystem& files, MessageBoxes& boxes, std::u16string path);

    const std::u16string& Path() const { return path_; }

    // The settings in the file: the defaults when there is no file, or when it cannot be read
    // (which is said in a message box).
    Settings Load();

    // Writes the settings, keeping every other line the file holds as it stands now. A file
    // that cannot be read is left alone rather than replaced by one that lacks its other
    // lines. A failure is said once, not again until a write has succeeded; false when
    // nothing was written.
    bool Save(const Settings& settings);

private:
    void Report(const std::u16string& text);

    FileSystem& files_;
    MessageBoxes& boxes_;
    std::u16string path_;
    bool failureReported_ = false;
};

} // namespace lumora
