// AutoHotkey hotstrings in a script: ":OPTIONS:abbreviation::replacement", with continuation
// sections in parentheses. A script is a program, not a data format, and no library reads it;
// this reader takes only the hotstring lines, the directives that change them and the comments
// around them, and leaves every other line alone.
#include "exchange/FormatReaders.h"
#include "platform/TextCase.h"

#include <optional>

namespace lumora {

namespace {

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t'))
        s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t'))
        s.remove_suffix(1);
    return s;
}

// The line without a comment: ";" at its start or after a space or tab, unless escaped.
std::u16string_view WithoutComment(std::u16string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'`') {
            ++i;
        } else if (s[i] == u';' && (i == 0 || s[i - 1] == u' ' || s[i - 1] == u'\t')) {
            return TrimRight(s.substr(0, i));
        }
    }
    return s;
}

// The script's escape sequences (`n, `t, `;, ``, ...).
std::u16string Unescape(std::u16string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != u'`' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char16_t c = s[++i];
        out += c == u'n' ? u'\n' : c == u'r' ? u'\r' : c == u't' ? u'\t' : c == u's' ? u' ' : c;
    }
    return out;
}

struct HotstringOptions {
    bool Raw = false;
    bool Execute = false;
    std::vector<UnsupportedOption> Named;
};

void Name(HotstringOptions& o, std::u16string name, std::u16string meaning) {
    for (auto& existing : o.Named)
        if (existing.Name == name) return;
    o.Named.push_back({std::move(name), std::move(meaning)});
}

void Unname(HotstringOptions& o, std::u16string_view name) {
    std::erase_if(o.Named, [&](const UnsupportedOption& n) { return n.Name == name; });
}

// Applies an options string (between the first two colons, or after #Hotstring) in order.
void ApplyOptions(std::u16string_view text, HotstringOptions& o) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i] >= u'a' && text[i] <= u'z' ? text[i] - 32 : text[i];
        const bool off = i + 1 < text.size() && text[i + 1] == u'0';
        auto digits = [&] {
            while (i + 1 < text.size() &&
                   ((text[i + 1] >= u'0' && text[i + 1] <= u'9') || text[i + 1] == u'-'))
                ++i;
        };
        switch (c) {
        case u'*':
            off ? Unname(o, u"*")
                : Name(o, u"*", u"expands without waiting for an ending character");
            break;
        case u'?':
            off ? Unname(o, u"?") : Name(o, u"?", u"expands also inside words");
            break;
        case u'B':
            off ? Name(o, u"B0", u"keeps the abbreviation (no backspacing)") : Unname(o, u"B0");
            break;
        case u'C':
            Unname(o, u"C");
            Unname(o, u"C1");
            if (i + 1 < text.size() && text[i + 1] == u'1')
                Name(o, u"C1", u"types the text as written whatever the abbreviation's case");
            else if (!off)
                Name(o, u"C", u"the abbreviation's letter case counts");
            break;
        case u'O':
            off ? Unname(o, u"O") : Name(o, u"O", u"leaves out the ending character");
            break;
        case u'R':
        case u'T':
            o.Raw = !off;
            break;
        case u'X':
            o.Execute = !off;
            break;
        case u'K':
            Name(o, u"K", u"a delay between the keys it types");
            break;
        case u'P':
            Name(o, u"P", u"the hotstring's priority");
            break;
        case u'S':
            if (i + 1 < text.size()) ++i;
            Name(o, u"S", u"the way AutoHotkey sends the text");
            break;
        case u'Z':
            off ? Unname(o, u"Z") : Name(o, u"Z", u"forgets what was typed after each expansion");
            break;
        case u'E':
            Name(o, u"E", u"the way AutoHotkey sends the text");
            break;
        default:
            break;
        }
        digits();
    }
}

bool IsOptionsText(std::u16string_view text) {
    for (char16_t c : text)
        if (!(c == u'*' || c == u'?' || c == u' ' || c == u'-' || (c >= u'0' && c <= u'9') ||
              std::u16string_view(u"BbCcOoRrTtXxKkPpSsIiEeZz").find(c) !=
                  std::u16string_view::npos))
            return false;
    return true;
}

// A replacement sent as keys: {Enter} and `n give line breaks, {Tab} and `t tabs, a brace
// around one character that character; {Raw} and {Text} make the rest literal. Any other key
// leaves the hotstring out (reason says which).
std::optional<std::u16string> SendText(std::u16string_view s, std::u16string& reason) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'{') {
            // {}} is a closing brace, so the search starts after the first character.
            const std::size_t close = s.find(u'}', i + 2);
            if (close == std::u16string_view::npos) {
                reason = u"a { that is not closed";
                return std::nullopt;
            }
            const std::u16string_view key = s.substr(i + 1, close - i - 1);
            const std::u16string lower = LowerCased(key);
            if (key.size() == 1 || (key.size() == 2 && IsHighSurrogate(key[0]))) {
                out += key;
            } else if (lower == u"enter") {
                out += u'\n';
            } else if (lower == u"tab") {
                out += u'\t';
            } else if (lower == u"space") {
                out += u' ';
            } else if (lower == u"raw" || lower == u"text") {
                out += s.substr(close + 1);
                return out;
            } else {
                reason = u"sends the key {" + std::u16string(key) + u"}";
                return std::nullopt;
            }
            i = close;
        } else if (c == u'^' || c == u'!' || c == u'+' || c == u'#') {
            reason = u"sends the keys " + std::u16string(s.substr(i, 2));
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", at);
        if (end == std::u16string_view::npos) end = text.size();
        lines.emplace_back(text.substr(at, end - at));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n')
            ++end;
        at = end + 1;
    }
    return lines;
}

bool StartsWithWord(std::u16string_view line, std::u16string_view word) {
    if (line.size() < word.size()) return false;
    if (LowerCased(line.substr(0, word.size())) != LowerCased(word)) return false;
    return line.size() == word.size() || line[word.size()] == u' ' || line[word.size()] == u'\t' ||
           line[word.size()] == u',';
}

} // namespace

ImportedFile ReadHotstringScript(std::string_view bytes) {
    ImportedFile result;
    result.FormatName = u"AutoHotkey script";
    const std::vector<std::u16string> lines = SplitLines(DecodeImportText(bytes));
    HotstringOptions defaults;
    std::optional<UnsupportedOption> context;
    bool inComment = false;
    bool waitsForEndingCharacter = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::u16string_view line = TrimLeft(lines[n]);
        const long long lineNumber = static_cast<long long>(n) + 1;
        if (inComment) {
            if (line.starts_with(u"*/")) inComment = false;
            continue;
        }
        if (line.starts_with(u"/*")) {
            inComment = TrimRight(line).ends_with(u"*/") ? false : true;
            continue;
        }
        if (line.starts_with(u"#")) {
            const std::u16string_view directive = WithoutComment(line);
            static const std::u16string_view Contexts[] = {u"#IfWinActive", u"#IfWinNotActive",
                                                           u"#IfWinExist",  u"#IfWinNotExist",
                                                           u"#If",          u"#HotIf"};
            for (std::u16string_view name : Contexts) {
                if (!StartsWithWord(directive, name)) continue;
                const std::u16string_view rest = TrimLeft(directive.substr(name.size()));
                if (rest.empty()) {
                    context.reset();
                } else {
                    context = UnsupportedOption{
                        std::u16string(directive),
                        u"expands only where this holds (line " + DecimalText(lineNumber) +
                            u"); Lumora expands everywhere but in the programs it leaves alone"};
                    result.Notes.push_back(u"Line " + DecimalText(lineNumber) + u": " +
                                           std::u16string(directive) +
                                           u": the hotstrings after it are limited to some "
                                           u"windows in AutoHotkey; Lumora expands them "
                                           u"everywhere");
                }
            }
            if (StartsWithWord(directive, u"#Hotstring")) {
                const std::u16string_view rest = TrimLeft(directive.substr(10));
                if (StartsWithWord(rest, u"EndChars") || StartsWithWord(rest, u"NoMouse") ||
                    StartsWithWord(rest, u"MouseReset")) {
                    result.Notes.push_back(u"Line " + DecimalText(lineNumber) + u": " +
                                           std::u16string(directive) +
                                           u" has no equivalent in Lumora");
                } else {
                    ApplyOptions(rest, defaults);
                }
            }
            continue;
        }
        if (!line.starts_with(u":")) continue;
        const std::size_t optionsEnd = line.find(u':', 1);
        if (optionsEnd == std::u16string_view::npos) continue;
        const std::u16string_view optionsText = line.substr(1, optionsEnd - 1);
        const std::size_t separator = line.find(u"::", optionsEnd + 1);
        if (!IsOptionsText(optionsText) || separator == std::u16string_view::npos ||
            separator == optionsEnd + 1)
            continue;

        HotstringOptions options = defaults;
        ApplyOptions(optionsText, options);
        ImportedEntry entry;
        entry.Line = lineNumber;
        entry.Abbreviation = Unescape(line.substr(optionsEnd + 1, separator - optionsEnd - 1));
        entry.Options = options.Named;
        if (context) entry.Options.push_back(*context);
        bool ownLine = false;
        for (const auto& o : options.Named)
            ownLine = ownLine || o.Name == u"*";
        waitsForEndingCharacter = waitsForEndingCharacter || !ownLine;

        std::u16string_view replacement = TrimLeft(line.substr(separator + 2));
        replacement = options.Raw ? TrimRight(replacement) : WithoutComment(replacement);
        std::u16string text;
        bool raw = options.Raw;
        if (options.Execute) {
            entry.SkipReason = u"an X hotstring runs code";
        } else if (replacement.empty() || replacement == u"{") {
            // Either a continuation section (the text) or code that runs (an action).
            std::size_t next = n + 1;
            const std::u16string_view open =
                next < lines.size() ? TrimLeft(lines[next]) : std::u16string_view();
            if (replacement.empty() && open.starts_with(u"(") &&
                open.find(u')') == std::u16string_view::npos) {
                const std::u16string_view sectionOptions = TrimLeft(open.substr(1));
                const bool leftTrim =
                    LowerCased(sectionOptions).find(u"ltrim") != std::u16string::npos;
                const bool keepRight =
                    LowerCased(sectionOptions).find(u"rtrim0") != std::u16string::npos;
                const bool join = LowerCased(sectionOptions).find(u"join") != std::u16string::npos;
                std::size_t close = next + 1;
                while (close < lines.size() && !TrimLeft(lines[close]).starts_with(u")"))
                    ++close;
                if (close >= lines.size())
                    throw ImportError(AtLineColumn(
                        static_cast<long long>(next) + 1, 1,
                        u"the continuation section that begins here is never closed by a line "
                        u"starting with \")\""));
                for (std::size_t k = next + 1; k < close; ++k) {
                    std::u16string_view part = lines[k];
                    if (leftTrim) part = TrimLeft(part);
                    if (!keepRight) part = TrimRight(part);
                    if (k > next + 1) text += u'\n';
                    text += Unescape(part);
                }
                if (join) entry.SkipReason = u"a continuation section with a Join option";
                raw = true;
                n = close;
            } else {
                entry.SkipReason = u"runs code rather than typing a text";
            }
        } else {
            text = Unescape(replacement);
        }
        if (entry.SkipReason.empty()) {
            std::optional<std::u16string> sent =
                raw ? std::optional<std::u16string>(text) : SendText(text, entry.SkipReason);
            if (sent) entry.Text = WithCrLf(EscapeLiteralText(*sent));
        }
        result.Entries.push_back(std::move(entry));
    }
    if (waitsForEndingCharacter)
        result.Notes.push_back(
            u"AutoHotkey expands a hotstring without * once an ending character (a space, "
            u"punctuation, Enter) follows it: in Lumora that is \"when a space or punctuation "
            u"follows it\" in the Options window, for every phrase");
    return result;
}

} // namespace lumora
