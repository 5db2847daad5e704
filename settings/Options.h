#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// Where an abbreviation counts, by the characters around it (the delimiter mode).
enum class DelimiterMode : std::int32_t {
    AfterDelimiter = 0,    // once typed at the start or after a delimiter
    BetweenDelimiters = 1, // also followed by a delimiter, which completes it
    Anywhere = 2,          // everywhere, also inside words
};

// The mode a number stands for on the command line: 0 and 1 as above, every other number
// Anywhere.
DelimiterMode DelimiterModeOf(std::int32_t number);

// A decimal integer with an optional sign that fits in 32 bits, or nothing.
std::optional<std::int32_t> ParseInt32(std::u16string_view s);

// The program's options.
struct Options {
    DelimiterMode Mode = DelimiterMode::AfterDelimiter;
    // The most phrases the list holds; compared as unsigned, so a negative option lifts the
    // limit.
    std::uint32_t MaxPhrases = 30;
    // Executable names ("notepad.exe") in whose windows nothing is observed or expanded.
    std::vector<std::u16string> ExcludedPrograms;
    // A phrase follows the letter case its abbreviation was typed in ("Brb", "BRB").
    bool FollowCase = true;
    // A Backspace right after an expansion takes it back.
    bool UndoWithBackspace = true;
};

// Reads "-delims=N" and "-maxitems=N" (names in any letter case; the last occurrence counts)
// from the arguments after the program name over `base` (the settings file's options). A value
// that is not an integer gives 0 for -delims= and 100 for -maxitems=; other arguments are
// ignored.
Options ReadOptions(const std::vector<std::u16string>& args, Options base = {});

// What a start with -pause, -resume, -toggle or -exit asks of the copy that runs (the last
// of them counts; names in any letter case). The numbers travel in a window message.
enum class ControlCommand : std::uint32_t { None = 0, Pause = 1, Resume = 2, Toggle = 3, Exit = 4 };
ControlCommand ReadControlCommand(const std::vector<std::u16string>& args);

} // namespace lumora
