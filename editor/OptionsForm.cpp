// The Options window's decisions: the values it shows, whether the user's entries may be kept,
// and what follows from them (sign-in start, a phrase file that moves).
#include "editor/OptionsForm.h"

#include "platform/Error.h"
#include "platform/MessageText.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace lumora {

namespace {

// The hot-key control's modifier flags (HOTKEYF_SHIFT, _CONTROL, _ALT, _EXT).
constexpr std::uint16_t HotKeyShift = 0x01, HotKeyControl = 0x02, HotKeyAlt = 0x04,
                        HotKeyExtended = 0x08;

std::u16string Trimmed(std::u16string_view s) {
    const auto first = s.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos) return {};
    const auto last = s.find_last_not_of(u" \t");
    return std::u16string(s.substr(first, last - first + 1));
}

std::u16string FileNameOf(std::u16string_view path) {
    const auto slash = path.find_last_of(u"\\/");
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareTextInvariant(a, b) == 0;
}

} // namespace

std::size_t ExpansionModeChoiceOf(std::int32_t mode) {
    for (std::size_t i = 0; i < ExpansionModeChoices.size(); ++i)
        if (ExpansionModeChoices[i].Mode == mode) return i;
    return ExpansionModeChoices.size() - 1; // every other number expands inside words
}

std::size_t OutputMethodChoiceOf(OutputMethod method) {
    for (std::size_t i = 0; i < OutputMethodChoices.size(); ++i)
        if (OutputMethodChoices[i].Method == method) return i;
    return 0;
}

std::u16string ProgramMethodLabel(const ProgramMethod& entry) {
    const std::u16string name =
        entry.Program == ConsoleWindows ? u"Console windows" : entry.Program;
    return name + u": " +
           std::u16string(OutputMethodChoices[OutputMethodChoiceOf(entry.Method)].Name);
}

OptionsFormValues FormValuesOf(const Settings& settings, bool startsAtSignIn) {
    OptionsFormValues values;
    values.ModeChoice = ExpansionModeChoiceOf(settings.ExpansionMode);
    values.NoLimit = settings.MaxPhrases == std::numeric_limits<std::uint32_t>::max();
    // The box keeps a number to go back to when "No limit" is unticked.
    values.MaxPhrases =
        values.NoLimit ? DecimalText(Settings{}.MaxPhrases) : DecimalText(settings.MaxPhrases);
    values.PhraseFile = settings.PhraseFile;
    values.ExcludedPrograms = settings.ExcludedPrograms;
    values.PasteAbove = DecimalText(static_cast<std::uint64_t>(std::max(settings.PasteAbove, 0)));
    values.ProgramMethods = settings.ProgramMethods;
    values.PauseShortcut = settings.PauseShortcut;
    values.SearchShortcut = settings.SearchShortcut;
    values.StartAtSignIn = startsAtSignIn;
    values.FollowCase = settings.FollowCase;
    values.UndoWithBackspace = settings.UndoWithBackspace;
    return values;
}

OptionsFormResult ReadOptionsForm(const OptionsFormValues& values, const Settings& current,
                                  std::size_t phrasesInList) {
    OptionsFormResult result;
    result.StartAtSignIn = values.StartAtSignIn;
    Settings& s = result.NewSettings;
    s = current;
    s.FollowCase = values.FollowCase;
    s.UndoWithBackspace = values.UndoWithBackspace;
    auto refuse = [&](OptionsField field, std::u16string text) {
        result.ErrorField = field;
        result.Error = std::move(text);
        return result;
    };

    // A number beyond the list is kept as it was in the file (a -1 there lifts the limit).
    if (values.ModeChoice < ExpansionModeChoices.size() &&
        values.ModeChoice != ExpansionModeChoiceOf(current.ExpansionMode))
        s.ExpansionMode = ExpansionModeChoices[values.ModeChoice].Mode;

    const std::u16string max = values.NoLimit
                                   ? DecimalText(std::numeric_limits<std::uint32_t>::max())
                                   : Trimmed(values.MaxPhrases);
    std::uint64_t number = 0;
    bool digits = !max.empty() && max.size() <= 10;
    for (char16_t c : max) {
        if (c < u'0' || c > u'9') digits = false;
        if (digits) number = number * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    if (!digits || number == 0 || number > std::numeric_limits<std::uint32_t>::max())
        return refuse(OptionsField::MaxPhrases,
                      u"The largest number of phrases is a whole number from 1 to " +
                          DecimalText(std::numeric_limits<std::uint32_t>::max()) + u".");
    if (number < phrasesInList)
        return refuse(OptionsField::MaxPhrases,
                      u"The list holds " + DecimalText(phrasesInList) +
                          u" phrases now; with a smaller largest number the last of them would "
                          u"be left out at the next start. Delete some first, or keep " +
                          DecimalText(phrasesInList) + u" or more.");
    s.MaxPhrases = static_cast<std::uint32_t>(number);

    const std::u16string file = Trimmed(values.PhraseFile);
    if (file.empty() || file.back() == u'\\' || file.back() == u'/')
        return refuse(OptionsField::PhraseFile, u"Choose the file the phrases are kept in.");
    result.PhraseFileChanged = !SameName(file, current.PhraseFile);
    s.PhraseFile = file;

    const std::u16string pasteAbove = Trimmed(values.PasteAbove);
    std::uint64_t characters = 0;
    bool whole = !pasteAbove.empty() && pasteAbove.size() <= 7;
    for (char16_t c : pasteAbove) {
        if (c < u'0' || c > u'9') whole = false;
        if (whole) characters = characters * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    if (!whole || characters > 1000000)
        return refuse(OptionsField::PasteAbove,
                      u"Paste phrases longer than a whole number of characters from 0 (never "
                      u"paste) to 1000000.");
    s.PasteAbove = static_cast<std::int32_t>(characters);

    // By file name, each program once (the first entry counts).
    s.ProgramMethods.clear();
    for (const ProgramMethod& entry : values.ProgramMethods) {
        const std::u16string name = entry.Program == ConsoleWindows
                                        ? std::u16string(ConsoleWindows)
                                        : FileNameOf(Trimmed(entry.Program));
        if (name.empty() || name.find_first_of(u";=") != std::u16string::npos) continue;
        const bool known =
            std::any_of(s.ProgramMethods.begin(), s.ProgramMethods.end(),
                        [&](const ProgramMethod& m) { return SameName(m.Program, name); });
        if (!known) s.ProgramMethods.push_back({name, entry.Method});
    }

    // The same rule as for the settings file.
    auto plainKey = [](std::u16string text) {
        text.append(PlainKeyShortcutReason).push_back(u'.');
        return text;
    };
    if (TakesAPlainKey(values.PauseShortcut))
        return refuse(OptionsField::PauseShortcut, plainKey(u"The pause shortcut "));
    if (TakesAPlainKey(values.SearchShortcut))
        return refuse(OptionsField::SearchShortcut, plainKey(u"The search shortcut "));
    if (!values.SearchShortcut.Empty() && values.SearchShortcut == values.PauseShortcut)
        return refuse(OptionsField::SearchShortcut,
                      u"The search shortcut and the pause shortcut must differ.");
    s.PauseShortcut = values.PauseShortcut;
    s.SearchShortcut = values.SearchShortcut;

    // Each name once, the first spelling kept; by a set of lowered names, so that a list of
    // 20,000 programs is read in one pass rather than compared with itself.
    s.ExcludedPrograms.clear();
    std::unordered_set<std::u16string> seen;
    seen.reserve(values.ExcludedPrograms.size());
    for (const std::u16string& program : values.ExcludedPrograms) {
        std::u16string name = FileNameOf(Trimmed(program));
        if (name.empty() || !seen.insert(LowerCased(name)).second) continue;
        s.ExcludedPrograms.push_back(std::move(name));
    }
    return result;
}

Shortcut ShortcutOfHotKeyValue(std::uint16_t value) {
    Shortcut shortcut;
    shortcut.Key = static_cast<std::uint8_t>(value & 0xFF);
    const auto flags = static_cast<std::uint16_t>(value >> 8);
    if (shortcut.Key == 0) return {};
    if (flags & HotKeyControl) shortcut.Modifiers |= modifier::Ctrl;
    if (flags & HotKeyAlt) shortcut.Modifiers |= modifier::Alt;
    if (flags & HotKeyShift) shortcut.Modifiers |= modifier::Shift;
    return shortcut;
}

std::uint16_t HotKeyValueOf(const Shortcut& shortcut) {
    if (shortcut.Empty()) return 0;
    std::uint16_t flags = 0;
    if (shortcut.Modifiers & modifier::Ctrl) flags |= HotKeyControl;
    if (shortcut.Modifiers & modifier::Alt) flags |= HotKeyAlt;
    if (shortcut.Modifiers & modifier::Shift) flags |= HotKeyShift;
    (void)HotKeyExtended; // the control sets it for extended keys; the key code says enough
    return static_cast<std::uint16_t>(flags << 8 | shortcut.Key);
}

std::vector<std::u16string> ProgramsToOffer(const std::vector<std::u16string>& running,
                                            const std::vector<std::u16string>& excluded) {
    std::vector<std::u16string> offer;
    std::unordered_set<std::u16string> listed{u"lumora.exe"};
    listed.reserve(excluded.size() + running.size() + 1);
    for (const std::u16string& name : excluded)
        listed.insert(LowerCased(name));
    for (const std::u16string& path : running) {
        std::u16string name = FileNameOf(path);
        if (name.empty() || !listed.insert(LowerCased(name)).second) continue;
        offer.push_back(std::move(name));
    }
    std::sort(offer.begin(), offer.end(), [](const std::u16string& a, const std::u16string& b) {
        return CompareTextInvariant(a, b) < 0;
    });
    return offer;
}

std::u16string RunCommandFor(std::u16string_view programPath) {
    // Quoted, since the path may hold spaces.
    return Quoted(programPath);
}

void ApplyStartAtSignIn(SignInStart& signIn, bool wanted, std::u16string_view programPath) {
    if (!wanted) {
        if (signIn.RunCommand()) signIn.RemoveRunCommand();
        return;
    }
    const std::u16string command = RunCommandFor(programPath);
    if (signIn.RunCommand() != command) signIn.SetRunCommand(command);
}

void SwitchPhraseFile(std::optional<PhraseFile>& file, FileSystem& files, Clock& clock,
                      PhraseList& rows, AbbreviationIndex& index, const std::u16string& newPath,
                      PhraseFileMove how, std::uint32_t maxPhrases,
                      const PhraseFile::ErrorReport& report) {
    if (how == PhraseFileMove::TakePhrasesAlong) {
        // The old file keeps what it held, including phrases a limit left out of the list;
        // a file at the new place is kept as its backup first (never over a fuller one).
        if (files.FileExists(newPath)) {
            AbbreviationIndex scratchIndex;
            PhraseList scratch;
            PhraseFile(files, clock, newPath, scratch, scratchIndex).KeepOldFileNow();
        }
        SavePhrases(rows, files, newPath);
    } else {
        // A file that cannot be read changes nothing: it is read once aside first.
        {
            AbbreviationIndex scratchIndex;
            PhraseList scratch;
            LoadPhrases(scratch, scratchIndex, files, newPath, maxPhrases, {});
        }
        if (file) file->SaveAtExit();
    }
    // Loaded from there, so that the file knows what it holds and watches it from now on.
    rows.ClearPhrases();
    // The new file tells the user and names its copies as the old one did.
    PhraseFileCallbacks callbacks = file ? file->Callbacks() : PhraseFileCallbacks{};
    if (report) callbacks.Report = report;
    file.emplace(files, clock, newPath, rows, index, std::move(callbacks));
    file->Load(maxPhrases, {});
}

std::size_t BringInLeftOutPhrases(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                                  const std::u16string& path, std::size_t loadedFromFile,
                                  std::uint32_t maxPhrases) {
    AbbreviationIndex storedIndex;
    PhraseList stored;
    LoadPhrases(stored, storedIndex, files, path, std::numeric_limits<std::uint32_t>::max(), {});
    PhraseListBatch batch(rows);
    std::size_t next = loadedFromFile;
    for (; next < stored.Count() && rows.Count() < maxPhrases; ++next)
        rows.AppendPhrase(index, stored.At(next).Abbreviation(), stored.At(next).Text());
    return next;
}

} // namespace lumora
