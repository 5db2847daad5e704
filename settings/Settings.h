#pragma once
#include "platform/CodePage.h"
#include "settings/Options.h"
#include "settings/Shortcut.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// Everything the user can set that lasts from one run to the next, as kept in lumora.ini.
struct Settings {
    // The delimiter mode by its number: 0, 1, or 2 and up (see DelimiterModeOf).
    std::int32_t ExpansionMode = 0;
    // The most phrases the list holds; compared unsigned, so -1 lifts the limit.
    std::uint32_t MaxPhrases = 30;
    // Relative to the program's folder, or absolute.
    std::u16string PhraseFile = u"lumora.lmx";
    // Executable names ("notepad.exe"), compared without regard to case.
    std::vector<std::u16string> ExcludedPrograms;
    // Phrases longer than this are pasted (0: never); programs that take phrases their own way.
    std::int32_t PasteAbove = DefaultPasteAbove;
    std::vector<ProgramMethod> ProgramMethods = DefaultProgramMethods();
    Shortcut PauseShortcut;
    // Case-following and undo with Backspace (Options.h); 1 on, 0 off.
    bool FollowCase = true;
    bool UndoWithBackspace = true;
    Shortcut SearchShortcut = {modifier::Ctrl | modifier::Alt, 0x20};
    // The phrase list: its window's client area and its columns, in pixels at 96 dots per inch; the
    // abbreviation column is wide enough for its header.
    std::int32_t ListWindowWidth = 531;
    std::int32_t ListWindowHeight = 416;
    std::int32_t AbbreviationColumnWidth = 110;
    std::int32_t TextColumnWidth = 410;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// A line of the settings file that is not used, and why.
struct SettingsProblem {
    std::size_t Line = 0; // from 1
    std::u16string Text;  // the line as it stands
    std::u16string Reason;
    friend bool operator==(const SettingsProblem&, const SettingsProblem&) = default;
};

struct SettingsRead {
    Settings Values;
    std::vector<SettingsProblem> Problems;
};

// The settings in the text of a settings file (section [Lumora], keys in any letter case; the
// first of a repeated key counts). Keys that are missing keep their default; so do values that
// cannot be read and values the Options window would refuse (a shortcut of a plain key, the
// pause shortcut equal to the search shortcut, no phrase at all), each named in Problems.
SettingsRead ReadSettings(std::u16string_view text);
Settings ParseSettings(std::u16string_view text);

// The user's words for the problems, naming the file; empty when there are none.
std::u16string SettingsProblemsMessage(const std::vector<SettingsProblem>& problems,
                                       std::u16string_view path);

// A shortcut of a plain key (or Shift with one) would be taken from every program's typing:
// the Options window refuses it, and so does the file.
bool TakesAPlainKey(const Shortcut& shortcut);
inline constexpr std::u16string_view PlainKeyShortcutReason =
    u"needs Ctrl, Alt or the Windows key, or else the key could no longer be typed anywhere";

// The text of the settings file: `previous` (the file as it stands, possibly empty) with the
// values of our keys replaced, repeats of them dropped, missing ones added to [Lumora] (made if
// need be); every other line, key and section is kept as it was. Lines end in CR LF.
std::u16string FormatSettings(const Settings& settings, std::u16string_view previous);

// How a settings file is written. Lumora writes a new file as UTF-16LE with a byte-order mark
// (as the Windows profile functions and Notepad keep it); a file of another encoding is written
// back in its own.
enum class SettingsEncoding {
    Utf16LE,       // with a byte-order mark
    Utf16BE,       // with a byte-order mark
    Utf16LENoMark, // as some programs write it: told by its NULs
    Utf16BENoMark,
    Utf8Mark, // with the mark EF BB BF
    Utf8,     // no mark, valid UTF-8 (plain ASCII included)
    Ansi,     // no mark, not UTF-8: the system's code page
};

struct DecodedSettings {
    std::u16string Text;
    SettingsEncoding Encoding = SettingsEncoding::Utf16LE;
    // Writing the text back in its encoding gives the same bytes: the lines Lumora does not
    // change stay exactly as they were (false for a torn UTF-16 file, for instance).
    bool WritableBack = true;
};

// The text of a settings file's bytes: UTF-16 with either byte-order mark or, told by its NUL
// bytes, without one; UTF-8; else the system's code page.
DecodedSettings DecodeSettingsBytes(std::string_view bytes, CodePage& ansi);
// The text in that encoding; nullopt when a character has no form in it (ANSI).
std::optional<std::string> EncodeSettingsBytes(std::u16string_view text, SettingsEncoding encoding,
                                               CodePage& ansi);

// The same with Windows-1252 for the code page, and UTF-16LE with its mark.
std::u16string DecodeSettingsFile(std::string_view bytes);
std::string EncodeSettingsFile(std::u16string_view text);

// The words lumora.ini uses for the output methods ("type", "paste", "shiftinsert", "slow").
std::u16string_view OutputMethodWord(OutputMethod method);
std::optional<OutputMethod> OutputMethodOfWord(std::u16string_view word);

// The options of a run: the settings, with the command line's -delims= and -maxitems= over
// them (what cannot be used of them said in `problems`, when given).
Options RunOptions(const Settings& settings, const std::vector<std::u16string>& args,
                   std::vector<std::u16string>* problems = nullptr);

// The phrase file's full path: `phraseFile` as it stands when absolute ("D:\\x.lmx",
// "\\\\server\\share\\x.lmx"), else inside `programFolder` (which ends in a separator).
std::u16string PhraseFilePath(std::u16string_view programFolder, std::u16string_view phraseFile);

// True when the executable at `programPath` (a full path or a bare name) is one of the
// excluded programs, compared by file name without regard to case.
bool IsExcludedProgram(const std::vector<std::u16string>& excluded,
                       std::u16string_view programPath);

} // namespace lumora
