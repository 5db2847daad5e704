#pragma once
// What the Options window decides: the values it shows, what the user's entries mean and
// whether they may be kept, and how the phrases follow a phrase file that moves. The Win32
// dialog only shows these values and hands them back.
#include "data/PhraseFile.h"
#include "platform/FileSystem.h"
#include "platform/SignInStart.h"
#include "settings/Settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The expansion modes in words, in the order of the window's list; the mode number of each.
struct ExpansionModeChoice {
    std::int32_t Mode;
    std::u16string_view Name;
};
inline constexpr std::array<ExpansionModeChoice, 3> ExpansionModeChoices{{
    {0, u"As soon as the abbreviation is typed"},
    {1, u"When a space or punctuation follows the abbreviation"},
    {2, u"As soon as it is typed, also inside a word"},
}};
// The list entry for a mode number (2 and up all expand inside words).
std::size_t ExpansionModeChoiceOf(std::int32_t mode);

// The output methods in words, in the order of the window's list.
struct OutputMethodChoice {
    OutputMethod Method;
    std::u16string_view Name;
};
inline constexpr std::array<OutputMethodChoice, 4> OutputMethodChoices{{
    {OutputMethod::Type, u"Always type"},
    {OutputMethod::Paste, u"Always paste"},
    {OutputMethod::PasteShiftInsert, u"Paste with Shift+Insert"},
    {OutputMethod::TypeSlowly, u"Type slowly"},
}};
std::size_t OutputMethodChoiceOf(OutputMethod method);
// How the list of programs shows an entry: "putty.exe: Paste with Shift+Insert", the console
// entry as "Console windows: ...".
std::u16string ProgramMethodLabel(const ProgramMethod& entry);

// The window's fields, as shown and as the user left them.
struct OptionsFormValues {
    std::size_t ModeChoice = 0;
    std::u16string MaxPhrases; // as typed
    std::u16string PhraseFile;
    std::vector<std::u16string> ExcludedPrograms;
    std::u16string PasteAbove; // as typed
    std::vector<ProgramMethod> ProgramMethods;
    Shortcut PauseShortcut;
    Shortcut SearchShortcut;
    bool StartAtSignIn = false;
};

OptionsFormValues FormValuesOf(const Settings& settings, bool startsAtSignIn);

// The fields that can be refused, so that the window can put the focus on the one at fault.
enum class OptionsField { None, MaxPhrases, PhraseFile, PauseShortcut, SearchShortcut, PasteAbove };

struct OptionsFormResult {
    Settings NewSettings;
    // Why the values cannot be kept (nothing is applied then), and the field to correct.
    std::u16string Error;
    OptionsField ErrorField = OptionsField::None;
    // The phrase file is now another one.
    bool PhraseFileChanged = false;
    bool StartAtSignIn = false;

    bool Ok() const { return ErrorField == OptionsField::None; }
};

// The settings the values give, over the current ones. phrasesInList: the rows there are now;
// the largest number may not go below it, or the last phrases would be left out at the next
// start.
OptionsFormResult ReadOptionsForm(const OptionsFormValues& values, const Settings& current,
                                  std::size_t phrasesInList);

// The hot-key control's value (low byte the key, high byte HOTKEYF_ flags) as a shortcut, and
// back.
Shortcut ShortcutOfHotKeyValue(std::uint16_t value);
std::uint16_t HotKeyValueOf(const Shortcut& shortcut);

// The running programs the window offers to exclude: by file name, each once (letter case
// aside), sorted, without those excluded already and without Lumora itself.
std::vector<std::u16string> ProgramsToOffer(const std::vector<std::u16string>& running,
                                            const std::vector<std::u16string>& excluded);

// The command the per-user Run key starts: the program's path in quotes, so that a path with
// spaces is one program and not a program with arguments.
std::u16string RunCommandFor(std::u16string_view programPath);

// Writes or removes Lumora's entry in the Run key, as the check box says. An entry that starts
// another copy is pointed at this one.
void ApplyStartAtSignIn(SignInStart& signIn, bool wanted, std::u16string_view programPath);

// How the phrases follow a new phrase file.
enum class PhraseFileMove {
    TakePhrasesAlong, // the list is written to the new file and kept there
    UseNewFile,       // the list is saved where it was, and the new file's phrases are loaded
};

// Switches the program to the phrase file at newPath. Either way no edit is lost: taking the
// phrases along writes them there first (the old file stays as it was), using the new file
// saves the list to the old one first. A failure leaves the program on the old file and
// reaches the caller.
void SwitchPhraseFile(std::optional<PhraseFile>& file, FileSystem& files, Clock& clock,
                      PhraseList& rows, AbbreviationIndex& index, const std::u16string& newPath,
                      PhraseFileMove how, std::uint32_t maxPhrases,
                      const PhraseFile::ErrorReport& report = {});

// After the largest number was raised: appends to the rows the phrases of the file that the
// load left out at the limit (the file's phrases from the loadedFromFile-th on), as many as the
// new limit allows. Returns how many of the file's phrases have been loaded now.
std::size_t BringInLeftOutPhrases(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                                  const std::u16string& path, std::size_t loadedFromFile,
                                  std::uint32_t maxPhrases);

} // namespace lumora
