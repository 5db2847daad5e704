// The settings file on arbitrary bytes: reading never fails, and writing the settings read
// back into the same file gives the same settings, keeps every other line, and is stable.
#include "settings/Settings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = DecodeSettingsFile(bytes);
    Settings settings = ParseSettings(text);
    const std::u16string written = FormatSettings(settings, text);
    if (!(ParseSettings(written) == settings)) __builtin_trap();
    if (FormatSettings(settings, written) != written) __builtin_trap();
    if (DecodeSettingsFile(EncodeSettingsFile(written)) != written) __builtin_trap();
    // A changed setting is what is read back.
    settings.MaxPhrases += 1;
    settings.ExcludedPrograms.push_back(u"x.exe");
    if (!(ParseSettings(FormatSettings(settings, written)) == settings)) __builtin_trap();
    return 0;
}
