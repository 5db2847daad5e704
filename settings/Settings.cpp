// Reads and writes the settings in the text of the settings file lumora.ini.
#include "settings/Settings.h"

#include "platform/MessageText.h"
#include "platform/TextCase.h"
#include "platform/Utf.h"
#include "settings/Options.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace lumora {

namespace {

constexpr std::u16string_view Section = u"Lumora";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r';
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// A value as the profile functions give it: trimmed, and one pair of enclosing quotes taken off.
std::u16string_view Unquote(std::u16string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        value = value.substr(1, value.size() - 2);
    return value;
}

// Quotes a value that Unquote would otherwise change; a line break cannot be kept in a line.
std::u16string Quote(std::u16string_view value) {
    std::u16string out;
    for (char16_t c : value)
        if (c != u'\n') out += c;
    if (out != Trim(out) || (out.size() >= 2 && out.front() == u'"' && out.back() == u'"'))
        out = u"\"" + out + u"\"";
    return out;
}

// One line of the file, split: a section header, a key and value, or neither.
struct Line {
    bool IsSection = false;
    std::u16string_view Name; // the section's or the key's
    std::u16string_view Value;
    bool IsKey = false;
};

Line SplitLine(std::u16string_view text) {
    Line line;
    const std::u16string_view trimmed = Trim(text);
    if (!trimmed.empty() && trimmed.front() == u'[') {
        line.IsSection = true;
        const std::size_t close = trimmed.find(u']');
        line.Name = Trim(trimmed.substr(
            1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
        return line;
    }
    if (trimmed.empty() || trimmed.front() == u';') return line;
    const std::size_t equals = trimmed.find(u'=');
    if (equals == std::u16string_view::npos) return line;
    line.IsKey = true;
    line.Name = Trim(trimmed.substr(0, equals));
    line.Value = trimmed.substr(equals + 1);
    return line;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find(u'\n');
        std::u16string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::u16string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::int32_t> Within(std::u16string_view value, std::int32_t low, std::int32_t high) {
    auto n = ParseInt32(Trim(value));
    if (!n || *n < low || *n > high) return std::nullopt;
    return n;
}

// One key: how its value is read into the settings (false when it cannot be) and written.
struct Key {
    std::u16string_view Name;
    std::function<bool(Settings&, std::u16string_view)> Read;
    std::function<std::u16string(const Settings&)> Write;
};

const std::vector<Key>& Keys() {
    auto size = [](std::int32_t Settings::*field, std::int32_t low, std::int32_t high) {
        return [field, low, high](Settings& s, std::u16string_view v) {
            auto n = Within(v, low, high);
            if (n) s.*field = *n;
            return n.has_value();
        };
    };
    auto writeSize = [](std::int32_t Settings::*field) {
        return [field](const Settings& s) { return DecimalText(s.*field); };
    };
    auto shortcut = [](Shortcut Settings::*field) {
        return [field](Settings& s, std::u16string_view v) {
            auto parsed = ParseShortcut(v);
            if (parsed) s.*field = *parsed;
            return parsed.has_value();
        };
    };
    auto writeShortcut = [](Shortcut Settings::*field) {
        return [field](const Settings& s) { return FormatShortcut(s.*field); };
    };
    auto flag = [](bool Settings::*field) {
        return [field](Settings& s, std::u16string_view v) {
            auto n = Within(v, 0, 1);
            if (n) s.*field = *n == 1;
            return n.has_value();
        };
    };
    auto writeFlag = [](bool Settings::*field) {
        return [field](const Settings& s) { return DecimalText(s.*field ? 1 : 0); };
    };
    static const std::vector<Key> keys{
        {u"ExpansionMode",
         [](Settings& s, std::u16string_view v) {
             auto n = ParseInt32(Trim(v));
             if (n) s.ExpansionMode = *n;
             return n.has_value();
         },
         [](const Settings& s) { return DecimalText(s.ExpansionMode); }},
        {u"MaxPhrases",
         [](Settings& s, std::u16string_view v) {
             // Kept as the command line keeps it: the 32-bit pattern, so -1 is no limit.
             auto n = ParseInt32(Trim(v));
             if (n) s.MaxPhrases = static_cast<std::uint32_t>(*n);
             return n.has_value();
         },
         [](const Settings& s) { return DecimalText(static_cast<std::int32_t>(s.MaxPhrases)); }},
        {u"PhraseFile",
         [](Settings& s, std::u16string_view v) {
             v = Unquote(v);
             if (v.empty()) return false;
             s.PhraseFile = std::u16string(v);
             return true;
         },
         [](const Settings& s) { return Quote(s.PhraseFile); }},
        {u"ExcludedPrograms",
         [](Settings& s, std::u16string_view v) {
             v = Unquote(v);
             s.ExcludedPrograms.clear();
             for (;;) {
                 const std::size_t semi = v.find(u';');
                 const std::u16string_view name = Trim(v.substr(0, semi));
                 if (!name.empty()) s.ExcludedPrograms.emplace_back(name);
                 if (semi == std::u16string_view::npos) break;
                 v.remove_prefix(semi + 1);
             }
             return true;
         },
         [](const Settings& s) {
             std::u16string joined;
             for (const std::u16string& name : s.ExcludedPrograms) {
                 const std::u16string_view trimmed = Trim(name);
                 if (trimmed.empty() || trimmed.find(u';') != std::u16string_view::npos) continue;
                 if (!joined.empty()) joined += u';';
                 joined += trimmed;
             }
             return Quote(joined);
         }},
        {u"PasteAbove",
         [](Settings& s, std::u16string_view v) {
             auto n = Within(v, 0, 1000000);
             if (n) s.PasteAbove = *n;
             return n.has_value();
         },
         [](const Settings& s) { return DecimalText(s.PasteAbove); }},
        // "name=method;name=method", the console windows under ConsoleWindows. An entry that
        // cannot be read is left out; the others count.
        {u"ProgramMethods",
         [](Settings& s, std::u16string_view v) {
             v = Unquote(v);
             s.ProgramMethods.clear();
             for (;;) {
                 const std::size_t semi = v.find(u';');
                 const std::u16string_view entry = Trim(v.substr(0, semi));
                 const std::size_t equals = entry.rfind(u'=');
                 if (equals != std::u16string_view::npos) {
                     const std::u16string_view name = Trim(entry.substr(0, equals));
                     const auto method = OutputMethodOfWord(Trim(entry.substr(equals + 1)));
                     if (!name.empty() && method)
                         s.ProgramMethods.push_back({std::u16string(name), *method});
                 }
                 if (semi == std::u16string_view::npos) break;
                 v.remove_prefix(semi + 1);
             }
             return true;
         },
         [](const Settings& s) {
             std::u16string joined;
             for (const ProgramMethod& entry : s.ProgramMethods) {
                 const std::u16string_view name = Trim(entry.Program);
                 if (name.empty() || name.find_first_of(u";=") != std::u16string_view::npos)
                     continue;
                 if (!joined.empty()) joined += u';';
                 joined.append(name).append(u"=").append(OutputMethodWord(entry.Method));
             }
             return Quote(joined);
         }},
        {u"PauseShortcut", shortcut(&Settings::PauseShortcut),
         writeShortcut(&Settings::PauseShortcut)},
        {u"SearchShortcut", shortcut(&Settings::SearchShortcut),
         writeShortcut(&Settings::SearchShortcut)},
        {u"FollowCase", flag(&Settings::FollowCase), writeFlag(&Settings::FollowCase)},
        {u"UndoWithBackspace", flag(&Settings::UndoWithBackspace),
         writeFlag(&Settings::UndoWithBackspace)},
        {u"ListWindowWidth", size(&Settings::ListWindowWidth, 100, 20000),
         writeSize(&Settings::ListWindowWidth)},
        {u"ListWindowHeight", size(&Settings::ListWindowHeight, 100, 20000),
         writeSize(&Settings::ListWindowHeight)},
        {u"AbbreviationColumnWidth", size(&Settings::AbbreviationColumnWidth, 10, 10000),
         writeSize(&Settings::AbbreviationColumnWidth)},
        {u"TextColumnWidth", size(&Settings::TextColumnWidth, 10, 10000),
         writeSize(&Settings::TextColumnWidth)},
    };
    return keys;
}

const Key* FindKey(std::u16string_view name) {
    for (const Key& key : Keys())
        if (SameName(key.Name, name)) return &key;
    return nullptr;
}

} // namespace

bool TakesAPlainKey(const Shortcut& shortcut) {
    return !shortcut.Empty() &&
           (shortcut.Modifiers & (modifier::Ctrl | modifier::Alt | modifier::Win)) == 0;
}

SettingsRead ReadSettings(std::u16string_view text) {
    SettingsRead read;
    Settings& settings = read.Values;
    const Settings defaults;
    // The line each key was read from, for the checks of values against each other.
    std::vector<std::pair<const Key*, std::size_t>> seen;
    const std::vector<std::u16string_view> lines = SplitLines(text);
    auto problem = [&](std::size_t at, std::u16string reason) {
        read.Problems.push_back({at + 1, std::u16string(Trim(lines[at])), std::move(reason)});
    };
    bool inSection = false;
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const Line line = SplitLine(lines[at]);
        if (line.IsSection) inSection = SameName(line.Name, Section);
        if (!inSection || !line.IsKey) continue;
        const Key* key = FindKey(line.Name);
        if (!key ||
            std::any_of(seen.begin(), seen.end(), [key](const auto& s) { return s.first == key; }))
            continue;
        seen.emplace_back(key, at);
        // A value that cannot be read leaves the default, whatever it may have changed.
        Settings attempt = settings;
        if (key->Read(attempt, line.Value))
            settings = std::move(attempt);
        else
            problem(at, u"Lumora cannot read this value.");
    }
    auto lineOf = [&](std::u16string_view name) -> std::optional<std::size_t> {
        for (const auto& [key, at] : seen)
            if (key->Name == name) return at;
        return std::nullopt;
    };
    // What the Options window would refuse.
    if (settings.MaxPhrases == 0) {
        problem(*lineOf(u"MaxPhrases"),
                u"The largest number of phrases is a whole number from 1 up, or -1 for no limit.");
        settings.MaxPhrases = defaults.MaxPhrases;
    }
    if (const auto back = settings.PhraseFile.back(); back == u'\\' || back == u'/') {
        problem(*lineOf(u"PhraseFile"), u"It names a folder: the phrase file is a file.");
        settings.PhraseFile = defaults.PhraseFile;
    }
    if (TakesAPlainKey(settings.PauseShortcut)) {
        problem(*lineOf(u"PauseShortcut"),
                u"The pause shortcut " + std::u16string(PlainKeyShortcutReason) + u".");
        settings.PauseShortcut = defaults.PauseShortcut;
    }
    if (TakesAPlainKey(settings.SearchShortcut)) {
        problem(*lineOf(u"SearchShortcut"),
                u"The search shortcut " + std::u16string(PlainKeyShortcutReason) + u".");
        settings.SearchShortcut = defaults.SearchShortcut;
    }
    // The pause shortcut gives way: taking the search's keys, it would leave the search dead.
    if (!settings.PauseShortcut.Empty() && settings.PauseShortcut == settings.SearchShortcut) {
        problem(*lineOf(u"PauseShortcut"),
                u"The search shortcut and the pause shortcut must differ.");
        settings.PauseShortcut = defaults.PauseShortcut;
    }
    std::sort(read.Problems.begin(), read.Problems.end(),
              [](const auto& a, const auto& b) { return a.Line < b.Line; });
    return read;
}

Settings ParseSettings(std::u16string_view text) {
    return ReadSettings(text).Values;
}

std::u16string SettingsProblemsMessage(const std::vector<SettingsProblem>& problems,
                                       std::u16string_view path) {
    if (problems.empty()) return {};
    std::u16string text = u"Lumora does not use these lines of its settings file " +
                          std::u16string(path) + u", and takes the default for each:";
    for (const SettingsProblem& p : problems)
        text += u"\n\nLine " + DecimalText(static_cast<std::int64_t>(p.Line)) + u": " + p.Text +
                u"\n" + p.Reason;
    return text;
}

std::u16string FormatSettings(const Settings& settings, std::u16string_view previous) {
    const std::vector<std::u16string_view> lines = SplitLines(previous);
    // Where our keys go that the file lacks: after the last key or comment of the first
    // [Lumora] section, before the blank lines that set off the next section.
    std::vector<const Key*> present;
    std::optional<std::size_t> insertAt;
    bool inSection = false, firstSectionDone = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line line = SplitLine(lines[i]);
        if (line.IsSection) {
            if (inSection) firstSectionDone = true;
            inSection = SameName(line.Name, Section);
            if (inSection && !firstSectionDone && !insertAt) insertAt = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (!firstSectionDone && !Trim(lines[i]).empty()) insertAt = i + 1;
        if (line.IsKey)
            if (const Key* key = FindKey(line.Name)) present.push_back(key);
    }
    std::u16string out;
    auto add = [&out](std::u16string_view line) { out.append(line).append(u"\r\n"); };
    auto addMissing = [&] {
        for (const Key& key : Keys())
            if (std::find(present.begin(), present.end(), &key) == present.end())
                add(std::u16string(key.Name) + u"=" + key.Write(settings));
    };
    std::vector<const Key*> written;
    inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (insertAt && i == *insertAt) addMissing();
        const Line line = SplitLine(lines[i]);
        if (line.IsSection) inSection = SameName(line.Name, Section);
        const Key* key = inSection && line.IsKey ? FindKey(line.Name) : nullptr;
        if (!key) {
            add(lines[i]);
        } else if (std::find(written.begin(), written.end(), key) == written.end()) {
            written.push_back(key);
            add(std::u16string(key->Name) + u"=" + key->Write(settings));
        }
    }
    if (insertAt && *insertAt == lines.size()) addMissing();
    if (!insertAt) {
        if (!out.empty()) add(u"");
        add(u"[Lumora]");
        addMissing();
    }
    return out;
}

DecodedSettings DecodeSettingsBytes(std::string_view bytes, CodePage& ansi) {
    DecodedSettings out;
    auto wide = [&](std::size_t from, bool bigEndian) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            text += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
        }
        return text;
    };
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        out.Encoding = bigEndian ? SettingsEncoding::Utf16BE : SettingsEncoding::Utf16LE;
        out.Text = wide(2, bigEndian);
    } else if (bytes.find('\0') != std::string_view::npos) {
        // No text file of 8-bit characters holds a NUL; the NULs of UTF-16 are the high bytes
        // of its ASCII characters, on odd offsets for little-endian.
        std::size_t odd = 0, even = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\0') ++(i % 2 ? odd : even);
        const bool bigEndian = even > odd;
        out.Encoding =
            bigEndian ? SettingsEncoding::Utf16BENoMark : SettingsEncoding::Utf16LENoMark;
        out.Text = wide(0, bigEndian);
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        out.Encoding = SettingsEncoding::Utf8Mark;
        out.Text = Utf8ToUtf16(bytes.substr(3));
    } else {
        out.Text = Utf8ToUtf16(bytes);
        out.Encoding = SettingsEncoding::Utf8;
        // Not UTF-8: written by a program in the system's code page.
        if (Utf16ToUtf8(out.Text) != bytes) {
            out.Encoding = SettingsEncoding::Ansi;
            out.Text = ansi.ToUtf16(bytes);
        }
    }
    out.WritableBack = EncodeSettingsBytes(out.Text, out.Encoding, ansi) == bytes;
    return out;
}

std::optional<std::string> EncodeSettingsBytes(std::u16string_view text, SettingsEncoding encoding,
                                               CodePage& ansi) {
    auto wide = [&](std::string mark, bool bigEndian) {
        std::string bytes = std::move(mark);
        bytes.reserve(bytes.size() + text.size() * 2);
        for (char16_t c : text) {
            const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    };
    switch (encoding) {
    case SettingsEncoding::Utf16LE:
        return wide("\xFF\xFE", false);
    case SettingsEncoding::Utf16BE:
        return wide("\xFE\xFF", true);
    case SettingsEncoding::Utf16LENoMark:
        return wide("", false);
    case SettingsEncoding::Utf16BENoMark:
        return wide("", true);
    case SettingsEncoding::Utf8Mark:
        return "\xEF\xBB\xBF" + Utf16ToUtf8(text);
    case SettingsEncoding::Utf8:
        return Utf16ToUtf8(text);
    case SettingsEncoding::Ansi:
        return ansi.FromUtf16(text);
    }
    return std::nullopt;
}

std::u16string DecodeSettingsFile(std::string_view bytes) {
    Windows1252 ansi;
    return DecodeSettingsBytes(bytes, ansi).Text;
}

std::string EncodeSettingsFile(std::u16string_view text) {
    Windows1252 ansi;
    return *EncodeSettingsBytes(text, SettingsEncoding::Utf16LE, ansi);
}

namespace {

constexpr std::pair<OutputMethod, std::u16string_view> MethodWords[] = {
    {OutputMethod::Type, u"type"},
    {OutputMethod::Paste, u"paste"},
    {OutputMethod::PasteShiftInsert, u"shiftinsert"},
    {OutputMethod::TypeSlowly, u"slow"},
};

} // namespace

std::u16string_view OutputMethodWord(OutputMethod method) {
    for (const auto& [m, word] : MethodWords)
        if (m == method) return word;
    return u"type";
}

std::optional<OutputMethod> OutputMethodOfWord(std::u16string_view word) {
    for (const auto& [m, w] : MethodWords)
        if (SameName(w, word)) return m;
    return std::nullopt;
}

Options RunOptions(const Settings& settings, const std::vector<std::u16string>& args,
                   std::vector<std::u16string>* problems) {
    Options base;
    base.PasteAbove = settings.PasteAbove;
    base.ProgramMethods = settings.ProgramMethods;
    base.Mode = DelimiterModeOf(settings.ExpansionMode);
    base.MaxPhrases = settings.MaxPhrases;
    base.ExcludedPrograms = settings.ExcludedPrograms;
    base.FollowCase = settings.FollowCase;
    base.UndoWithBackspace = settings.UndoWithBackspace;
    return ReadOptions(args, std::move(base), problems);
}

std::u16string PhraseFilePath(std::u16string_view programFolder, std::u16string_view phraseFile) {
    const bool rooted = !phraseFile.empty() && (phraseFile[0] == u'\\' || phraseFile[0] == u'/');
    const bool drive = phraseFile.size() >= 2 && phraseFile[1] == u':';
    if (rooted || drive) return std::u16string(phraseFile);
    return std::u16string(programFolder) + std::u16string(phraseFile);
}

bool IsExcludedProgram(const std::vector<std::u16string>& excluded,
                       std::u16string_view programPath) {
    auto fileName = [](std::u16string_view path) {
        const std::size_t slash = path.find_last_of(u"\\/");
        return LowerCased(Trim(slash == std::u16string_view::npos ? path : path.substr(slash + 1)));
    };
    if (programPath.empty()) return false;
    const std::u16string name = fileName(programPath);
    for (const std::u16string& entry : excluded)
        if (!entry.empty() && fileName(entry) == name) return true;
    return false;
}

} // namespace lumora
