#pragma once
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
    Shortcut SearchShortcut = {modifier::Ctrl | modifier::Alt, 0x20};
    // The phrase list: its window's client area and its columns, in pixels at 96 dots per inch; the
    // abbreviation column is wide enough for its header.
    std::int32_t ListWindowWidth = 531;
    std::int32_t ListWindowHeight = 416;
    std::int32_t AbbreviationColumnWidth = 110;
    std::int32_t TextColumnWidth = 410;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// The settings in the text of a settings file (section [Lumora], keys in any letter case; the
// first of a repeated key counts). Keys that are missing or cannot be read keep their default.
Settings ParseSettings(std::u16string_view text);

// The text of the settings file: `previous` (the file as it stands, possibly empty) with the
// values of our keys replaced, repeats of them dropped, missing ones added to [Lumora] (made if
// need be); every other line, key and section is kept as it was. Lines end in CR LF.
std::u16string FormatSettings(const Settings& settings, std::u16string_view previous);

// The text of a settings file's bytes: UTF-16 with either byte-order mark, or else UTF-8
// (a file saved by an editor that does not keep UTF-16).
std::u16string DecodeSettingsFile(std::string_view bytes);

// UTF-16LE with a byte-order mark, as the Windows profile functions and editors read it.
std::string EncodeSettingsFile(std::u16string_view text);

// The words lumora.ini uses for the output methods ("type", "paste", "shiftinsert", "slow").
std::u16string_view OutputMethodWord(OutputMethod method);
std::optional<OutputMethod> OutputMethodOfWord(std::u16string_view word);

// The options of a run: the settings, with the command line's -delims= and -maxitems= over
// them.
Options RunOptions(const Settings& settings, const std::vector<std::u16string>& args);

// The phrase file's full path: `phraseFile` as it stands when absolute ("D:\\x.lmx",
// "\\\\server\\share\\x.lmx"), else inside `programFolder` (which ends in a separator).
std::u16string PhraseFilePath(std::u16string_view programFolder, std::u16string_view phraseFile);

// True when the executable at `programPath` (a full path or a bare name) is one of the
// excluded programs, compared by file name without regard to case.
bool IsExcludedProgram(const std::vector<std::u16string>& excluded,
                       std::u16string_view programPath);

} // namespace lumora
