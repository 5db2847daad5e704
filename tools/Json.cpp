// lumoratool's JSON: nlohmann/json reads the lines and writes the strings; what is here are
// the tool's own rules around it (duplicate keys, half surrogate pairs, the error's column).
#include "tools/Json.h"

#include "platform/Utf.h"

#include <charconv>
#include <vector>

namespace lumora::json {

namespace {

// The value of a \uD800–\uDFFF escape starting at `at`, or 0.
unsigned SurrogateEscapeAt(std::string_view text, std::size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return 0;
    unsigned value = 0;
    const char* digits = text.data() + at + 2;
    auto [end, ec] = std::from_chars(digits, digits + 4, value, 16);
    if (ec != std::errc() || end != digits + 4) return 0;
    return value >= 0xD800 && value <= 0xDFFF ? value : 0;
}

// The text with each escape of half a surrogate pair replaced by \ufffd, of the same length, so
// that the parser's positions still hold. Escapes are taken two characters at a time, so that
// an escaped backslash before "ud800" is not read as one.
std::string WithLoneSurrogatesReplaced(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '\\') {
            out += text[i++];
            continue;
        }
        const unsigned first = SurrogateEscapeAt(text, i);
        if (first == 0) {
            out += text.substr(i, 2);
            i += 2;
        } else if (first < 0xDC00 && SurrogateEscapeAt(text, i + 6) >= 0xDC00) {
            out += text.substr(i, 12);
            i += 12;
        } else {
            out += "\\ufffd";
            i += 6;
        }
    }
    return out;
}

// nlohmann's message without its prefix ("[json.exception.parse_error.101] parse error at line
// 1, column 27: ") and without the bytes it last read, which may not be text at all.
std::string Reason(const std::string& what) {
    std::string reason = what;
    if (reason.starts_with('['))
        if (const std::size_t name = reason.find("] "); name != std::string::npos)
            reason.erase(0, name + 2);
    if (reason.starts_with("parse error"))
        if (const std::size_t colon = reason.find(": "); colon != std::string::npos)
            reason.erase(0, colon + 2);
    if (const std::size_t read = reason.find("; last read: '"); read != std::string::npos) {
        const std::size_t end = reason.rfind("'; expected ");
        reason.erase(read,
                     end != std::string::npos && end > read ? end + 1 - read : std::string::npos);
    }
    return reason;
}

// The character column of the byte before `byte` (1-based, as nlohmann counts it).
long long ColumnOf(std::string_view text, std::size_t byte) {
    long long column = 1;
    for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
    return column;
}

} // namespace

nlohmann::json Parse(std::string_view text) {
    const std::string input = WithLoneSurrogatesReplaced(text);
    // The keys of each open object, innermost last: nlohmann keeps only one value of a key.
    std::vector<std::vector<std::string>> keys;
    const auto watch = [&](int, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        using Event = nlohmann::json::parse_event_t;
        if (event == Event::object_start) keys.emplace_back();
        if (event == Event::object_end) keys.pop_back();
        if (event == Event::key) {
            const std::string& key = parsed.get_ref<const std::string&>();
            for (const std::string& seen : keys.back())
                if (seen == key) throw Error("duplicate key " + Quote(Utf8ToUtf16(key)));
            keys.back().push_back(key);
        }
        return true;
    };
    try {
        return nlohmann::json::parse(input, watch);
    } catch (const nlohmann::json::parse_error& e) {
        throw Error(Reason(e.what()), ColumnOf(input, e.byte));
    } catch (const nlohmann::json::exception& e) {
        // A number beyond a double's range (nlohmann's out_of_range), which names no place.
        throw Error(Reason(e.what()));
    }
}

std::u16string TextOf(const nlohmann::json& value) {
    return Utf8ToUtf16(value.get_ref<const std::string&>());
}

std::string Quote(std::u16string_view text) {
    // Whole characters go through nlohmann's writer; half a surrogate pair has no UTF-8 form, so
    // it is written as its escape here.
    std::string out = "\"";
    std::size_t runStart = 0;
    auto flushRun = [&](std::size_t end) {
        if (end == runStart) return;
        const std::string literal =
            nlohmann::json(Utf16ToUtf8(text.substr(runStart, end - runStart))).dump();
        out.append(literal, 1, literal.size() - 2);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            flushRun(i);
            char escape[8];
            auto [end, ec] = std::to_chars(escape, escape + sizeof escape, unsigned{c}, 16);
            out += "\\u" + std::string(escape, end);
            runStart = i + 1;
        }
    }
    flushRun(text.size());
    out += '"';
    return out;
}

} // namespace lumora::json
