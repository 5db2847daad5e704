// A small JSON reader, and the quoting of text as a JSON string, for lumoratool's lines.
#include "tools/Json.h"

#include "platform/Utf.h"

#include <cstdio>
#include <cstdlib>

namespace lumora::json {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Value ParseDocument() {
        SkipSpace();
        Value v = ParseValue(0);
        SkipSpace();
        if (pos_ != text_.size()) Fail("unexpected text after the value");
        return v;
    }

private:
    static constexpr int MaxDepth = 64;

    [[noreturn]] void Fail(const std::string& what) const {
        throw Error(what + " at column " + std::to_string(pos_ + 1));
    }

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
    }

    void Expect(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) Fail(std::string("expected '") + c + "'");
        ++pos_;
    }

    bool TakeWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    Value ParseValue(int depth) {
        if (depth > MaxDepth) Fail("nesting too deep");
        if (pos_ >= text_.size()) Fail("unexpected end of line");
        Value v;
        char c = text_[pos_];
        if (c == '{') {
            v.kind = Value::Kind::Object;
            ++pos_;
            SkipSpace();
            if (pos_ < text_.size() && text_[pos_] == '}') {
                ++pos_;
                return v;
            }
            for (;;) {
                SkipSpace();
                if (pos_ >= text_.size() || text_[pos_] != '"') Fail("expected a member name");
                std::u16string key = ParseString();
                SkipSpace();
                Expect(':');
                SkipSpace();
                v.object.push_back(Member{std::move(key), ParseValue(depth + 1)});
                SkipSpace();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                Expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Value::Kind::Array;
            ++pos_;
            SkipSpace();
            if (pos_ < text_.size() && text_[pos_] == ']') {
                ++pos_;
                return v;
            }
            for (;;) {
                SkipSpace();
                v.array.push_back(ParseValue(depth + 1));
                SkipSpace();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
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
        std::size_t start = pos_;
        if (text_[pos_] == '-') ++pos_;
        auto digits = [&] {
            std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            if (pos_ == from) Fail("expected a digit");
        };
        digits();
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            digits();
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            digits();
        }
        Value v;
        v.kind = Value::Kind::Number;
        v.number = std::strtod(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr);
        return v;
    }

    unsigned Hex4() {
        if (pos_ + 4 > text_.size()) Fail("incomplete \\u escape");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[pos_++];
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
        std::size_t runStart = pos_;
        auto flushRun = [&] {
            std::string_view run = text_.substr(runStart, pos_ - runStart);
            std::u16string decoded = Utf8ToUtf16(run);
            // The lossy decoder marks bad bytes with U+FFFD; a real U+FFFD is EF BF BD.
            if (decoded.find(u'\uFFFD') != std::u16string::npos && Utf16ToUtf8(decoded) != run)
                Fail("invalid UTF-8");
            out += decoded;
        };
        while (true) {
            if (pos_ >= text_.size()) Fail("unterminated string");
            auto c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                flushRun();
                ++pos_;
                return out;
            }
            if (c < 0x20) Fail("control character in string");
            if (c != '\\') {
                ++pos_;
                continue;
            }
            flushRun();
            ++pos_;
            if (pos_ >= text_.size()) Fail("unterminated string");
            char e = text_[pos_++];
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
                --pos_;
                Fail("bad escape");
            }
            runStart = pos_;
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
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
