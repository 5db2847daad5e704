#include "data/PhraseCopies.h"

#include "data/PhraseFile.h"
#include "data/TagReader.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace lumora {

namespace {

std::u16string Digits(long long n, std::size_t width) {
    std::string s = std::to_string(n);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return std::u16string(s.begin(), s.end());
}

std::u16string_view Suffix(CopyKind kind) {
    return kind == CopyKind::Backup ? u".bak" : u".conflict";
}

bool AllDigits(std::u16string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

bool EndsWith(std::u16string_view s, std::u16string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// The copy a name beside the file stands for: rest is what follows "PATH.".
std::optional<PhraseCopy> CopyOf(const std::u16string& path, std::u16string_view rest) {
    PhraseCopy copy;
    copy.Path = path;
    std::u16string_view stem;
    if (EndsWith(rest, u".bak")) {
        copy.Kind = CopyKind::Backup;
        stem = rest.substr(0, rest.size() - 4);
    } else if (EndsWith(rest, u".conflict")) {
        copy.Kind = CopyKind::Conflict;
        stem = rest.substr(0, rest.size() - 9);
    } else if (rest == u"bak" || rest == u"conflict") {
        copy.Kind = rest == u"bak" ? CopyKind::Backup : CopyKind::Conflict;
        return copy;
    } else {
        return std::nullopt;
    }
    if (copy.Kind == CopyKind::Backup && EndsWith(stem, u"-phrases") &&
        AllDigits(stem.substr(0, stem.size() - 8)))
        return copy;
    // YYYY-MM-DD-HHMM, then -N from the second copy of a minute on.
    if (stem.size() < 15 || !AllDigits(stem.substr(0, 4)) || stem[4] != u'-' ||
        !AllDigits(stem.substr(5, 2)) || stem[7] != u'-' || !AllDigits(stem.substr(8, 2)) ||
        stem[10] != u'-' || !AllDigits(stem.substr(11, 4)))
        return std::nullopt;
    unsigned number = 1;
    if (stem.size() > 15) {
        const std::u16string_view tail = stem.substr(16);
        if (stem[15] != u'-' || !AllDigits(tail) || tail.size() > 6) return std::nullopt;
        number = static_cast<unsigned>(std::stoul(std::string(tail.begin(), tail.end())));
    }
    copy.Date = std::u16string(stem.substr(0, 10)) + u" " + std::u16string(stem.substr(11, 2)) +
                u":" + std::u16string(stem.substr(13, 2));
    copy.SortKey = std::u16string(stem.substr(0, 15)) + u"#" + Digits(number, 6);
    return copy;
}

bool Newer(const PhraseCopy& a, const PhraseCopy& b) {
    if (a.SortKey.empty() != b.SortKey.empty()) return !a.SortKey.empty();
    if (a.SortKey != b.SortKey) return a.SortKey > b.SortKey;
    return a.Path < b.Path;
}

// The phrases a file holds, or nullopt when it cannot be read whole (what it holds is then not
// known, so it counts as holding something of its own).
std::optional<std::vector<PhraseValue>> WholeContent(FileSystem& files,
                                                     const std::u16string& path) {
    try {
        const std::optional<std::string> bytes = files.ReadFile(path);
        if (!bytes) return std::vector<PhraseValue>{};
        PhraseFileContent content = ReadPhraseValues(*bytes);
        if (!content.Whole) return std::nullopt;
        return std::move(content.Phrases);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

std::vector<PhraseValue> ValuesOf(const PhraseList& rows) {
    std::vector<PhraseValue> values;
    values.reserve(rows.Count());
    for (std::size_t i = 0; i < rows.Count(); ++i)
        values.push_back({rows.At(i).Abbreviation(), rows.At(i).Text()});
    return values;
}

PhraseFileContent ReadPhraseValues(std::string_view bytes) {
    PhraseFileContent content;
    content.Blank = FileText(bytes).IsBlank();
    AbbreviationIndex index;
    PhraseList rows;
    try {
        LoadPhrasesFromBytes(rows, index, bytes, std::numeric_limits<std::uint32_t>::max(), {});
        content.Whole = true;
    } catch (const Error&) {
    }
    content.Phrases = ValuesOf(rows);
    return content;
}

std::size_t MissingPhrases(const std::vector<PhraseValue>& of, const std::vector<PhraseValue>& in) {
    std::map<PhraseValue, std::size_t> held;
    for (const PhraseValue& v : in)
        ++held[v];
    std::size_t missing = 0;
    for (const PhraseValue& v : of) {
        auto it = held.find(v);
        if (it == held.end() || it->second == 0)
            ++missing;
        else
            --it->second;
    }
    return missing;
}

std::vector<PhraseCopy> CopiesBeside(FileSystem& files, const std::u16string& path) {
    const std::u16string prefix = path + u".";
    std::vector<PhraseCopy> copies;
    for (const std::u16string& found : files.FilesStartingWith(prefix))
        if (auto copy = CopyOf(found, std::u16string_view(found).substr(prefix.size())))
            copies.push_back(std::move(*copy));
    std::sort(copies.begin(), copies.end(), Newer);
    return copies;
}

std::u16string DatedCopyPath(const std::u16string& path, CopyKind kind, const LocalTime& time,
                             unsigned number) {
    // Appended piece by piece: GCC 12 warns of an overlap (falsely) in the chain of +.
    std::u16string name = path;
    for (const std::u16string& piece :
         {std::u16string(u"."), Digits(time.Year, 4), std::u16string(u"-"), Digits(time.Month, 2),
          std::u16string(u"-"), Digits(time.Day, 2), std::u16string(u"-"), Digits(time.Hour, 2),
          Digits(time.Minute, 2)})
        name += piece;
    if (number > 1) {
        name += u'-';
        name += Digits(number, 1);
    }
    name += Suffix(kind);
    return name;
}

std::u16string KeepDatedCopy(FileSystem& files, const std::u16string& path, CopyKind kind,
                             const LocalTime& time, std::string_view bytes) {
    // Numbered within the minute; a name taken in the meantime (another copy of Lumora on a
    // second computer, a sync) is simply passed over.
    for (unsigned number = 1;; ++number) {
        const std::u16string copy = DatedCopyPath(path, kind, time, number);
        if (!files.WriteNewFile(copy, bytes)) continue;
        try {
            PruneCopies(files, path, kind);
        } catch (const std::exception&) {
            // Pruning is tidying up: the copy is made, which is what counts.
        }
        return copy;
    }
}

std::vector<std::u16string> PruneCopies(FileSystem& files, const std::u16string& path,
                                        CopyKind kind) {
    std::vector<PhraseCopy> copies = CopiesBeside(files, path);
    std::vector<const PhraseCopy*> candidates;
    std::size_t dated = 0;
    for (const PhraseCopy& copy : copies)
        if (copy.Kind == kind && !copy.SortKey.empty() && ++dated > KeptCopiesOfEachKind)
            candidates.push_back(&copy);
    if (candidates.empty()) return {};

    // In how many files each phrase is; a file that cannot be read whole holds unknown ones.
    std::map<PhraseValue, std::size_t> holders;
    auto count = [&holders](const std::vector<PhraseValue>& phrases) {
        for (const PhraseValue& v : std::set<PhraseValue>(phrases.begin(), phrases.end()))
            ++holders[v];
    };
    // What the phrase file holds stays there, also when a part of it cannot be read.
    try {
        if (auto bytes = files.ReadFile(path)) count(ReadPhraseValues(*bytes).Phrases);
    } catch (const std::exception&) {
    }
    std::map<std::u16string, std::optional<std::vector<PhraseValue>>> contents;
    for (const PhraseCopy& copy : copies) {
        contents[copy.Path] = WholeContent(files, copy.Path);
        if (contents[copy.Path]) count(*contents[copy.Path]);
    }

    std::vector<std::u16string> removed;
    // Oldest first.
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const auto& content = contents[(*it)->Path];
        if (!content) continue;
        const std::set<PhraseValue> own(content->begin(), content->end());
        const bool heldElsewhere = std::all_of(
            own.begin(), own.end(), [&](const PhraseValue& v) { return holders[v] >= 2; });
        if (!heldElsewhere) continue;
        files.RemoveFile((*it)->Path);
        for (const PhraseValue& v : own)
            --holders[v];
        removed.push_back((*it)->Path);
    }
    return removed;
}

} // namespace lumora
