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

// How a phrase reaches the target.
enum class OutputMethod : std::int32_t {
    Type = 0,             // key by key
    Paste = 1,            // through the clipboard, with Ctrl+V
    PasteShiftInsert = 2, // through the clipboard, with Shift+Insert
    TypeSlowly = 3,       // key by key, with a pause between keys
};

// The way one program takes every phrase, whatever its length: by executable name
// ("putty.exe"), or ConsoleWindows for every console window.
struct ProgramMethod {
    std::u16string Program;
    OutputMethod Method = OutputMethod::Type;

    friend bool operator==(const ProgramMethod&, const ProgramMethod&) = default;
};
constexpr std::u16string_view ConsoleWindows = u"<console>";

// Phrases longer than this many characters are pasted; 0 never pastes. Measured under Wine,
// Notepad takes a typed character in about 7 ms, and a pasted phrase of any length stands
// about 20 ms after its abbreviation (most of that Notepad taking the Backspaces that erase
// it). Up to 40 characters typing takes at most about 0.3 s, which goes unnoticed, and leaves
// the clipboard alone and works in every program; beyond that the wait grows to seconds, so it
// is pasted.
constexpr std::int32_t DefaultPasteAbove = 40;

// The built-in list: consoles type (Ctrl+V is a key of their own in many of them).
inline std::vector<ProgramMethod> DefaultProgramMethods() {
    return {{std::u16string(ConsoleWindows), OutputMethod::Type}};
}

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
    // When a phrase is pasted rather than typed.
    std::int32_t PasteAbove = DefaultPasteAbove;
    std::vector<ProgramMethod> ProgramMethods = DefaultProgramMethods();
};

// Reads "-delims=N" and "-maxitems=N" (names in any letter case; the last occurrence counts)
// from the arguments after the program name over `base` (the settings file's options). A
// -delims= value that is not an integer gives 0; a -maxitems= value that is not one is left
// out, and said in `problems` (when given) for the user; other arguments are ignored.
Options ReadOptions(const std::vector<std::u16string>& args, Options base = {},
                    std::vector<std::u16string>* problems = nullptr);

// What a start with -pause, -resume, -toggle or -exit asks of the copy that runs (the last
// of them counts; names in any letter case). The numbers travel in a window message.
enum class ControlCommand : std::uint32_t { None = 0, Pause = 1, Resume = 2, Toggle = 3, Exit = 4 };
ControlCommand ReadControlCommand(const std::vector<std::u16string>& args);

} // namespace lumora
