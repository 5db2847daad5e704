// The settings file lumora.ini: reads it at start and writes it when a setting changes, saying
// in a box what goes wrong.
#include "settings/SettingsFile.h"

#include "platform/Error.h"

namespace lumora {

SettingsFile::SettingsFile(FileSystem& files, MessageBoxes& boxes, std::u16string path)
    : files_(files), boxes_(boxes), path_(std::move(path)) {}

Settings SettingsFile::Load() {
    try {
        if (auto bytes = files_.ReadFile(path_)) return ParseSettings(DecodeSettingsFile(*bytes));
    } catch (const Error& e) {
        Report(u"Lumora could not read its settings and uses the defaults for now.\n\n" +
               e.Message());
    }
    return Settings{};
}

bool SettingsFile::Save(const Settings& settings) {
    try {
        const std::optional<std::string> old = files_.ReadFile(path_);
        const std::string bytes =
            EncodeSettingsFile(FormatSettings(settings, old ? DecodeSettingsFile(*old) : u""));
        if (bytes != old) files_.WriteFileAtomic(path_, bytes);
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
