// The settings file lumora.ini: reads it at start and writes it when a setting changes, saying
// in a box what goes wrong.
#include "settings/SettingsFile.h"

#include "platform/Error.h"

namespace lumora {

SettingsFile::SettingsFile(FileSystem& files, MessageBoxes& boxes, std::u16string path)
    : files_(files), boxes_(boxes), path_(std::move(path)), ansi_(western_) {}

SettingsFile::SettingsFile(FileSystem& files, MessageBoxes& boxes, std::u16string path,
                           CodePage& ansi)
    : files_(files), boxes_(boxes), path_(std::move(path)), ansi_(ansi) {}

Settings SettingsFile::Load() {
    problems_.clear();
    try {
        if (auto bytes = files_.ReadFile(path_)) {
            SettingsRead read = ReadSettings(DecodeSettingsBytes(*bytes, ansi_).Text);
            problems_ = std::move(read.Problems);
            return read.Values;
        }
    } catch (const Error& e) {
        Report(u"Lumora could not read its settings and uses the defaults for now.\n\n" +
               e.Message());
    }
    return Settings{};
}

bool SettingsFile::Save(const Settings& settings) {
    try {
        const std::optional<std::string> old = files_.ReadFile(path_);
        DecodedSettings before;
        if (old) before = DecodeSettingsBytes(*old, ansi_);
        const std::u16string keep =
            u"Lumora leaves its settings file " + path_ + u" as it is, and does not save ";
        const std::u16string resave = u" Saved again as Unicode (in Notepad: Save As, Encoding "
                                      u"UTF-16 LE), it takes Lumora's settings too.";
        if (!before.WritableBack) {
            Report(keep +
                   u"the settings in it: its encoding cannot be told for sure, and written "
                   u"back its other lines might change." +
                   resave);
            return false;
        }
        const std::optional<std::string> bytes =
            EncodeSettingsBytes(FormatSettings(settings, before.Text), before.Encoding, ansi_);
        if (!bytes) {
            Report(keep +
                   u"the settings in it: it is written in the system's code page (ANSI), "
                   u"which has no form for some of the settings' letters." +
                   resave);
            return false;
        }
        if (bytes != old) files_.WriteFileAtomic(path_, *bytes);
        failureReported_ = false;
        return true;
    } catch (const Error& e) {
        Report(u"Lumora could not save its settings.\n\n" + e.Message());
        return false;
    }
}

void SettingsFile::Report(const std::u16string& text) {
    if (failureReported_) return;
    failureReported_ = true;
    boxes_.ShowMessage(text, u"Lumora", MessageBoxIcon::Warning);
}

} // namespace lumora
