#include "tools/Json.h"

#include "platform/Utf.h"

#include <cstdio>
#include <cstdlib>

namespace lumora::json {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : fText(text) {}

    Value ParseDocument() {
        SkipSpace();
        Value v = ParseValue(0);
        SkipSpace();
        if (fPos != fText.size()) Fail("unexpected text after the value");
        return v;
    }

private:
    static constexpr int kMaxDepth = 64;

    [[noreturn]] void Fail(const std::string& what) const {
        throw Error(what + " at column " + std::to_string(fPos + 1));
    }

    void SkipSpace() {
        while (fPos < fText.size() && (fText[fPos] == ' ' || fText[fPos] == '\t' ||
                                       fText[fPos] == '\r' || fText[fPos] == '\n'))
            ++fPos;
    }

    void Expect(char c) {
        if (fPos >= fText.size() || fText[fPos] != c) Fail(std::string("expected '") + c + "'");
        ++fPos;
    }

    bool TakeWord(std::string_view word) {
        if (fText.substr(fPos, word.size()) != word) return false;
        fPos += word.size();
        return true;
    }

    Value ParseValue(int depth) {
        if (depth > kMaxDepth) Fail("nesting too deep");
        if (fPos >= fText.size()) Fail("unexpected end of line");
        Value v;
        char c = fText[fPos];
        if (c == '{') {
            v.kind = Value::Kind::Object;
            ++fPos;
            SkipSpace();
            if (fPos < fText.size() && fText[fPos] == '}') {
                ++fPos;
                return v;
            }
            for (;;) {
                SkipSpace();
                if (fPos >= fText.size() || fText[fPos] != '"') Fail("expected a member name");
                std::u16string key = ParseString();
                SkipSpace();
                Expect(':');
                SkipSpace();
                v.object.push_back(Member{std::move(key), ParseValue(depth + 1)});
                SkipSpace();
                if (fPos < fText.size() && fText[fPos] == ',') {
                    ++fPos;
                    continue;
                }
                Expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Value::Kind::Array;
            ++fPos;
            SkipSpace();
            if (fPos < fText.size() && fText[fPos] == ']') {
                ++fPos;
                return v;
            }
            for (;;) {
                SkipSpace();
                v.array.push_back(ParseValue(depth + 1));
                SkipSpace();
                if (fPos < fText.size() && fText[fPos] == ',') {
                    ++fPos;
                    continue;
                }
                Expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = Value::Kind::String;
            v.string = ParseString();
            return v;
        }
        if (TakeWord("true") || TakeWord("false")) {
            v.kind = Value::Kind::Bool;
            v.boolean = c == 't';
            return v;
        }
        if (TakeWord("null")) return v;
        if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber();
        Fail("unexpected character");
    }

    Value ParseNumber() {
        std::size_t start = fPos;
        if (fText[fPos] == '-') ++fPos;
        auto digits = [&] {
            std::size_t from = fPos;
            while (fPos < fText.size() && fText[fPos] >= '0' && fText[fPos] <= '9')
                ++fPos;
            if (fPos == from) Fail("expected a digit");
        };
        digits();
        if (fPos < fText.size() && fText[fPos] == '.') {
            ++fPos;
            digits();
        }
        if (fPos < fText.size() && (fText[fPos] == 'e' || fText[fPos] == 'E')) {
            ++fPos;
            if (fPos < fText.size() && (fText[fPos] == '+' || fText[fPos] == '-')) ++fPos;
            digits();
        }
        Value v;
        v.kind = Value::Kind::Number;
        v.number = std::strtod(std::string(fText.substr(start, fPos - start)).c_str(), nullptr);
        return v;
    }

    unsigned Hex4() {
        if (fPos + 4 > fText.size()) Fail("incomplete \\u escape");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = fText[fPos++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= c - '0';
            else if (c >= 'a' && c <= 'f')
                v |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                v |= c - 'A' + 10;
            else
                Fail("bad \\u escape");
        }
        return v;
    }

    std::u16string ParseString() {
        Expect('"');
        std::u16string out;
        std::size_t runStart = fPos;
        auto flushRun = [&] {
            std::string_view run = fText.substr(runStart, fPos - runStart);
            std::u16string decoded = Utf8ToUtf16(run);
            // The lossy decoder marks bad bytes with U+FFFD; a real U+FFFD is EF BF BD.
            if (decoded.find(u'\uFFFD') != std::u16string::npos && Utf16ToUtf8(decoded) != run)
                Fail("invalid UTF-8");
            out += decoded;
        };
        while (true) {
            if (fPos >= fText.size()) Fail("unterminated string");
            auto c = static_cast<unsigned char>(fText[fPos]);
            if (c == '"') {
                flushRun();
                ++fPos;
                return out;
            }
            if (c < 0x20) Fail("control character in string");
            if (c != '\\') {
                ++fPos;
                continue;
            }
            flushRun();
            ++fPos;
            if (fPos >= fText.size()) Fail("unterminated string");
            char e = fText[fPos++];
            switch (e) {
            case '"':
                out += u'"';
                break;
            case '\\':
                out += u'\\';
                break;
            case '/':
                out += u'/';
                break;
            case 'b':
                out += u'\b';
                break;
            case 'f':
                out += u'\f';
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            case 'u':
                out += static_cast<char16_t>(Hex4());
                break;
            default:
                --fPos;
                Fail("bad escape");
            }
            runStart = fPos;
        }
    }

    std::string_view fText;
    std::size_t fPos = 0;
};

} // namespace

const Value* Value::Find(std::u16string_view key) const {
    for (const auto& [name, value] : object)
        if (name == key) return &value;
    return nullptr;
}

Value Parse(std::string_view text) {
    return Parser(text).ParseDocument();
}

std::string Quote(std::u16string_view text) {
    std::string out = "\"";
    char buffer[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        switch (c) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'\b':
            out += "\\b";
            continue;
        case u'\f':
            out += "\\f";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += Utf16ToUtf8(text.substr(i, 2));
            ++i;
        } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        } else {
            out += Utf16ToUtf8(text.substr(i, 1));
        }
    }
    out += '"';
    return out;
}

} // namespace lumora::json
