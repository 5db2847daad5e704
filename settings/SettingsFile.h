#pragma once
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/MessageBoxes.h"
#include "settings/Settings.h"

#include <string>

namespace lumora {

// The settings file lumora.ini: read at start, written when a setting changes.
class SettingsFile {
public:
    // ansi: the system's code page, for a file written in it (Windows-1252 when not given).
    SettingsFile(FileSystem& files, MessageBoxes& boxes, std::u16string path);
    SettingsFile(FileSystem& files, MessageBoxes& boxes, std::u16string path, CodePage& ansi);

    const std::u16string& Path() const { return path_; }

    // The settings in the file: the defaults when there is no file, or when it cannot be read
    // (which is said in a message box). Lines whose values are not used are in Problems, for
    // the start to say (SettingsProblemsMessage).
    Settings Load();
    const std::vector<SettingsProblem>& Problems() const { return problems_; }

    // Writes the settings, keeping every other line the file holds as it stands now, in the
    // file's own encoding. A file that cannot be read, or cannot be written back in its
    // encoding without changing its other lines or losing a letter of ours, is left alone
    // rather than damaged, and the user told why. A failure is said once, not again until a
    // write has succeeded; false when nothing was written.
    bool Save(const Settings& settings);

private:
    void Report(const std::u16string& text);

    FileSystem& files_;
    MessageBoxes& boxes_;
    std::u16string path_;
    Windows1252 western_;
    CodePage& ansi_;
    std::vector<SettingsProblem> problems_;
    bool failureReported_ = false;
};

} // namespace lumora
