#include "editor/BackupImport.h"

#include "platform/MessageText.h"

#include <algorithm>
#include <map>

namespace lumora {

namespace {

std::u16string Counted(std::size_t n, std::u16string_view one, std::u16string_view many) {
    return DecimalText(n) + u" " + std::u16string(n == 1 ? one : many);
}

std::u16string TwoDigits(int n) {
    return std::u16string{char16_t(u'0' + n / 10 % 10), char16_t(u'0' + n % 10)};
}

std::u16string DateText(const LocalTime& t) {
    const std::string year = std::to_string(t.Year);
    return std::u16string(year.begin(), year.end()) + u"-" + TwoDigits(t.Month) + u"-" +
           TwoDigits(t.Day) + u" " + TwoDigits(t.Hour) + u":" + TwoDigits(t.Minute);
}

std::u16string FileNameOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::vector<BackupChoice> BackupsToImport(FileSystem& files, const std::u16string& path,
                                          const PhraseList& rows) {
    const std::vector<PhraseValue> list = ValuesOf(rows);
    std::vector<BackupChoice> choices;
    for (const PhraseCopy& copy : CopiesBeside(files, path)) {
        BackupChoice choice;
        choice.Path = copy.Path;
        choice.Name = FileNameOf(copy.Path);
        choice.Kind = copy.Kind;
        choice.Date = copy.Date;
        if (choice.Date.empty())
            if (const auto info = files.Info(copy.Path); info && info->Changed)
                choice.Date = DateText(*info->Changed);
        try {
            if (const auto bytes = files.ReadFile(copy.Path)) {
                const PhraseFileContent content = ReadPhraseValues(*bytes);
                choice.Phrases = content.Phrases.size();
                choice.Whole = content.Whole;
                choice.NotInList = MissingPhrases(content.Phrases, list);
            }
        } catch (const std::exception&) {
            choice.Unreadable = true;
            choice.Whole = false;
        }
        choices.push_back(std::move(choice));
    }
    // Dates in this form sort as text; copies of one minute keep their own order.
    std::stable_sort(choices.begin(), choices.end(),
                     [](const BackupChoice& a, const BackupChoice& b) { return a.Date > b.Date; });
    return choices;
}

std::u16string BackupChoiceText(const BackupChoice& choice) {
    std::u16string text = choice.Name + u"\t" + (choice.Date.empty() ? u"-" : choice.Date) + u"\t";
    if (choice.Unreadable) return text + u"cannot be read";
    text += Counted(choice.Phrases, u"phrase", u"phrases") + u", " + DecimalText(choice.NotInList) +
            u" not in the list";
    if (!choice.Whole) text += u" (cut off)";
    return text;
}

ImportOutcome ImportFromBackup(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                               const std::u16string& copyPath, std::uint32_t maxPhrases) {
    const std::optional<std::string> bytes = files.ReadFile(copyPath);
    ImportOutcome outcome;
    if (!bytes) return outcome;
    const PhraseFileContent content = ReadPhraseValues(*bytes);
    std::map<PhraseValue, std::size_t> held;
    for (const PhraseValue& v : ValuesOf(rows))
        ++held[v];
    PhraseListBatch batch(rows);
    for (const PhraseValue& v : content.Phrases) {
        auto it = held.find(v);
        if (it != held.end() && it->second > 0) {
            --it->second;
            ++outcome.AlreadyInList;
            continue;
        }
        if (rows.Count() >= maxPhrases) {
            ++outcome.LeftOut;
            continue;
        }
        rows.AppendPhrase(index, v.Abbreviation, v.Text);
        ++outcome.Added;
    }
    return outcome;
}

std::u16string ImportOutcomeText(const ImportOutcome& outcome, const std::u16string& name) {
    std::u16string text;
    if (outcome.Added == 0)
        text = u"The list holds every phrase of " + name + u" already.";
    else
        text = Counted(outcome.Added, u"phrase", u"phrases") + u" of " + name +
               u" added at the end of the list.";
    if (outcome.LeftOut != 0)
        text += u" " + Counted(outcome.LeftOut, u"more phrase does", u"more phrases do") +
                u" not fit: the list holds its largest number of phrases (Options, "
                u"MaxPhrases).";
    return text;
}

} // namespace lumora
