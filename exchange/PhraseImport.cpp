#include "exchange/PhraseImport.h"

#include "data/Phrase.h"
#include "exchange/FormatReaders.h"
#include "platform/TextCase.h"
#include "platform/Utf.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

namespace lumora {

namespace {

std::u16string Extension(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"/\\");
    const std::size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
    return LowerCased(std::u16string_view(path).substr(dot + 1));
}

// A JSON file of phrases as lumoratool dump writes them (one object a line) rather than a
// Beeftext file: its first line is a whole object with "autotext".
bool LooksLikeJsonLines(std::string_view bytes) {
    const std::string text = DecodeImportTextAsUtf8(bytes);
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return false;
    const std::size_t end = text.find('\n', start);
    const auto first = nlohmann::json::parse(
        text.substr(start, end == std::string::npos ? std::string::npos : end - start), nullptr,
        false);
    return first.is_object() && first.contains("autotext");
}

ImportFormat FormatOfContent(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE<") || bytes.starts_with("<")) return ImportFormat::PhraseFile;
    const std::u16string text = DecodeImportText(bytes);
    const std::size_t start = text.find_first_not_of(u" \t\r\n\uFEFF");
    if (start == std::u16string::npos) throw ImportError(u"The file is empty");
    if (text[start] == u'<') return ImportFormat::PhraseFile;
    if (text[start] == u'{' || text[start] == u'[')
        return LooksLikeJsonLines(bytes) ? ImportFormat::JsonLines : ImportFormat::Beeftext;
    if (text.find(u"matches:") != std::u16string::npos) return ImportFormat::Espanso;
    if (text.find(u"::") != std::u16string::npos) return ImportFormat::AutoHotkey;
    throw ImportError(u"Lumora cannot tell which program this file is from. Give it the ending "
                      u"of its kind: .yml (espanso), .json (Beeftext), .ahk (AutoHotkey), "
                      u".csv, .lmx (Lumora) or .jsonl (lumoratool dump)");
}

ImportFormat FormatOf(const std::u16string& path, std::string_view bytes) {
    const std::u16string ext = Extension(path);
    if (ext == u"yml" || ext == u"yaml") return ImportFormat::Espanso;
    if (ext == u"ahk") return ImportFormat::AutoHotkey;
    if (ext == u"lmx" || ext == u"bak" || ext == u"conflict") return ImportFormat::PhraseFile;
    if (ext == u"csv") return ImportFormat::Csv;
    if (ext == u"jsonl" || ext == u"ndjson") return ImportFormat::JsonLines;
    if (ext == u"json")
        return LooksLikeJsonLines(bytes) ? ImportFormat::JsonLines : ImportFormat::Beeftext;
    return FormatOfContent(bytes);
}

ImportedFile ReadCsvFile(std::string_view bytes) {
    const std::vector<CsvRow> rows = ReadCsv(DecodeImportTextAsUtf8(bytes));
    // Three columns are Beeftext's keyword, snippet and name; two are Lumora's own.
    if (!rows.empty() && rows.front().Fields.size() == 3) return ReadBeeftextCsv(rows);
    return ReadLumoraCsv(rows);
}

std::u16string Where(long long line, const std::u16string& file) {
    std::u16string where = file.empty() ? u"" : file + u", ";
    return line > 0 ? where + u"line " + DecimalText(line) : file;
}

} // namespace

ImportFormat ImportFormatNamed(std::u16string_view name) {
    const std::u16string n = LowerCased(name);
    if (n == u"espanso" || n == u"yaml" || n == u"yml") return ImportFormat::Espanso;
    if (n == u"beeftext" || n == u"json") return ImportFormat::Beeftext;
    if (n == u"ahk" || n == u"autohotkey") return ImportFormat::AutoHotkey;
    if (n == u"lmx" || n == u"lumora") return ImportFormat::PhraseFile;
    if (n == u"jsonl" || n == u"dump") return ImportFormat::JsonLines;
    if (n == u"csv") return ImportFormat::Csv;
    return ImportFormat::FromName;
}

ImportedFile ReadImportFile(FileSystem& files, const std::u16string& path, ImportFormat format) {
    const std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) throw Error(u"There is no file " + path);
    if (format == ImportFormat::FromName) format = FormatOf(path, *bytes);
    switch (format) {
    case ImportFormat::Espanso:
        return ReadEspansoFile(*bytes, path, files);
    case ImportFormat::Beeftext:
        return ReadBeeftextJson(*bytes);
    case ImportFormat::AutoHotkey:
        return ReadHotstringScript(*bytes);
    case ImportFormat::PhraseFile:
        return ReadLumoraPhraseFile(*bytes);
    case ImportFormat::JsonLines:
        return ReadLumoraJsonLines(*bytes);
    case ImportFormat::Csv:
    case ImportFormat::FromName:
        break;
    }
    return ReadCsvFile(*bytes);
}

ImportPlan PlanImport(const ImportedFile& file, const PhraseList& rows,
                      const ImportChoices& choices) {
    ImportPlan plan;
    plan.FormatName = file.FormatName;
    plan.Notes = file.Notes;
    plan.MaxPhrases = choices.MaxPhrases;
    plan.RowsBefore = rows.Count();
    std::set<std::u16string> held;  // the list's abbreviations, letter case aside
    std::set<std::u16string> taken; // those of the entries taken so far
    for (std::size_t i = 0; i < rows.Count(); ++i)
        if (!rows.At(i).Abbreviation().empty()) held.insert(LowerCased(rows.At(i).Abbreviation()));
    const std::size_t room =
        rows.Count() >= choices.MaxPhrases ? 0 : choices.MaxPhrases - rows.Count();

    for (const ImportedEntry& entry : file.Entries) {
        auto leaveOut = [&](std::u16string reason) {
            plan.LeftOut.push_back({entry.Abbreviation, std::move(reason), entry.Line, entry.File});
        };
        if (!entry.SkipReason.empty()) {
            leaveOut(entry.SkipReason);
            continue;
        }
        if (entry.Abbreviation.empty()) {
            leaveOut(u"no abbreviation");
            continue;
        }
        if (entry.Abbreviation.size() > MaxAbbreviationLength) {
            leaveOut(u"an abbreviation of " + DecimalText(entry.Abbreviation.size()) +
                     u" characters (at most " + DecimalText(MaxAbbreviationLength) + u")");
            continue;
        }
        if (entry.Text.size() > MaxTextLength) {
            leaveOut(u"a text of " + DecimalText(entry.Text.size()) + u" characters (at most " +
                     DecimalText(MaxTextLength) + u")");
            continue;
        }
        const std::u16string key = LowerCased(entry.Abbreviation);
        const bool inList = held.contains(key);
        const bool duplicate = inList || taken.contains(key);
        if (duplicate) {
            ++plan.Duplicates;
            if (!choices.AddDuplicates) {
                leaveOut(inList ? u"the list holds this abbreviation already"
                                : u"an earlier entry of the file has this abbreviation");
                continue;
            }
        }
        if (plan.ToAdd.size() >= room) {
            if (plan.DidNotFit++ == 0) plan.FirstThatDidNotFit = entry.Abbreviation;
            continue;
        }
        if (duplicate) ++plan.DuplicatesAdded;
        taken.insert(key);
        plan.ToAdd.emplace_back(entry.Abbreviation, entry.Text);
        for (const UnsupportedOption& option : entry.Options) {
            auto named = std::find_if(plan.Options.begin(), plan.Options.end(),
                                      [&](const auto& o) { return o.Option == option; });
            if (named == plan.Options.end())
                named = plan.Options.insert(plan.Options.end(), {option, {}});
            named->Abbreviations.push_back(entry.Abbreviation);
        }
    }
    return plan;
}

std::u16string ImportReport(const ImportPlan& plan) {
    std::vector<std::u16string> lines;
    const std::size_t added = plan.ToAdd.size();
    lines.push_back(plan.FormatName + u": " +
                    (added == 0   ? u"no phrase will be added."
                     : added == 1 ? u"1 phrase will be added."
                                  : DecimalText(added) + u" phrases will be added."));
    if (plan.DuplicatesAdded > 0)
        lines.push_back(DecimalText(plan.DuplicatesAdded) +
                        u" of them share an abbreviation with another phrase "
                        u"(only the first of such rows is typed; the list shows the others in "
                        u"red).");
    if (plan.DidNotFit > 0)
        lines.push_back(
            DecimalText(plan.DidNotFit) + (plan.DidNotFit == 1 ? u" phrase does" : u" phrases do") +
            u" not fit, from \"" + plan.FirstThatDidNotFit + u"\" on: the list may hold " +
            DecimalText(plan.MaxPhrases) + u" phrases and holds " + DecimalText(plan.RowsBefore) +
            u". To take them all, raise \"Largest number of phrases\" in Options (MaxPhrases in "
            u"lumora.ini, or -maxitems= on the command line) and import again.");
    if (!plan.LeftOut.empty()) {
        lines.push_back(DecimalText(plan.LeftOut.size()) +
                        (plan.LeftOut.size() == 1 ? u" entry is" : u" entries are") +
                        u" left out:");
        for (const LeftOutEntry& e : plan.LeftOut) {
            const std::u16string where = Where(e.Line, e.File);
            lines.push_back(u"  " +
                            (e.Abbreviation.empty() ? u"(none)" : u"\"" + e.Abbreviation + u"\"") +
                            (where.empty() ? u"" : u" (" + where + u")") + u": " + e.Reason);
        }
    }
    if (!plan.Options.empty()) {
        lines.push_back(u"Options that Lumora has no equivalent for (the phrases are added "
                        u"without them):");
        for (const OptionWithoutEquivalent& o : plan.Options) {
            std::u16string who;
            const std::size_t shown = std::min<std::size_t>(o.Abbreviations.size(), 5);
            for (std::size_t i = 0; i < shown; ++i)
                who += (i ? u", " : u"") + o.Abbreviations[i];
            if (o.Abbreviations.size() > shown)
                who += u" and " + DecimalText(o.Abbreviations.size() - shown) + u" more";
            lines.push_back(u"  " + o.Option.Name + u" (" + o.Option.Meaning + u"): " + who);
        }
    }
    for (const std::u16string& note : plan.Notes)
        lines.push_back(note);
    std::u16string report;
    for (const std::u16string& line : lines)
        report += line + u"\r\n";
    return report;
}

std::size_t ApplyImport(const ImportPlan& plan, PhraseList& rows, AbbreviationIndex& index) {
    PhraseListBatch batch(rows);
    // One sort at the end rather than a sorted insert per phrase.
    AbbreviationIndex::LoadScope loading(index);
    for (const auto& [abbreviation, text] : plan.ToAdd)
        rows.AppendPhrase(index, abbreviation, text);
    return plan.ToAdd.size();
}

std::string PhrasesAsCsv(const PhraseList& rows) {
    std::string csv = "\xEF\xBB\xBF";
    csv += CsvLine({u"abbreviation", u"text"});
    for (std::size_t i = 0; i < rows.Count(); ++i)
        csv += CsvLine({rows.At(i).Abbreviation(), rows.At(i).Text()});
    return csv;
}

} // namespace lumora
