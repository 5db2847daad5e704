// The tag writer: writes the phrase file's tags and their Base64 values as UTF-16LE bytes.
#include "data/TagWriter.h"

#include "platform/Utf.h"

#include <array>
#include <cstdint>

namespace lumora {

namespace {

constexpr char Base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Each byte's Base64 value; -2 for the pad '=', -1 for anything outside the alphabet.
constexpr auto Base64Values = [] {
    std::array<signed char, 256> values{};
    for (auto& v : values)
        v = -1;
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(Base64Alphabet[i])] = static_cast<signed char>(i);
    values['='] = -2;
    return values;
}();

// Base64 of bytes in lines of 76 characters, each unit handed to put.
template <class Put> void EncodeBase64(std::string_view bytes, Put put) {
    int lineLength = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        put(Base64Alphabet[(group >> 18) & 63]);
        put(Base64Alphabet[(group >> 12) & 63]);
        put(n > 1 ? Base64Alphabet[(group >> 6) & 63] : '=');
        put(n > 2 ? Base64Alphabet[group & 63] : '=');
        lineLength += 4;
        if (lineLength == 76) {
            put('\r');
            put('\n');
            lineLength = 0;
        }
    }
}

std::size_t Base64Length(std::size_t bytes) {
    std::size_t groups = (bytes + 2) / 3;
    return 4 * groups + 2 * (groups / 19);
}

std::size_t Utf8Length(std::u16string_view text) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x80) {
            length += 1;
        } else if (c < 0x800) {
            length += 2;
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            length += 4;
            ++i;
        } else {
            length += 3; // a lone surrogate is written as U+FFFD
        }
    }
    return length;
}

} // namespace

char* TagBytesWriter::Grow(std::size_t units) {
    std::size_t at = out_.size();
    out_.resize(at + 2 * units);
    return out_.data() + at;
}

void TagBytesWriter::Text(std::u16string_view text) {
    char* p = Grow(text.size());
    for (char16_t c : text) {
        *p++ = static_cast<char>(c & 0xFF);
        *p++ = static_cast<char>(c >> 8);
    }
}

void TagBytesWriter::Tag(std::u16string_view name, std::u16string_view value, bool open,
                         bool close) {
    if (open) {
        Text(u"<");
        Text(name);
        Text(u">");
        if (!value.empty()) {
            utf8_.clear();
            AppendUtf16AsUtf8(utf8_, value);
            char* p = Grow(Base64Length(utf8_.size()));
            EncodeBase64(utf8_, [&p](char c) {
                *p++ = c;
                *p++ = 0;
            });
        } else if (!close) {
            Text(u"\r\n");
        }
    }
    if (close) {
        Text(u"</");
        Text(name);
        Text(u">\r\n");
    }
}

std::size_t TagBytesWriter::TagSize(std::u16string_view name, std::u16string_view value, bool open,
                                    bool close) {
    std::size_t units = 0;
    if (open) {
        units += name.size() + 2;
        if (!value.empty())
            units += Base64Length(Utf8Length(value));
        else if (!close)
            units += 2;
    }
    if (close) units += name.size() + 5;
    return 2 * units;
}

std::u16string WriteTag(const std::u16string& name, const std::u16string& value, bool open,
                        bool close) {
    std::string bytes;
    TagBytesWriter(bytes).Tag(name, value, open, close);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

std::u16string TextToBase64(std::string_view bytes) {
    std::u16string out;
    out.reserve(Base64Length(bytes.size()));
    EncodeBase64(bytes, [&out](char c) { out += static_cast<char16_t>(c); });
    return out;
}

std::u16string Base64ToText(std::u16string_view text) {
    // Every unit is read as two bytes, low then high, so both halves of a stored unit count.
    std::string bytes(text.size() * 3 / 2 + 3, '\0');
    char* out = bytes.data();
    int values[4];
    int count = 0;
    int dataChars = 0;
    bool padded = false;
    // A group is cut at its first '='; two or three characters before it still give their
    // bytes, fewer give none. The same applies to an incomplete last group.
    auto flush = [&]() {
        if (dataChars >= 2) *out++ = static_cast<char>(values[0] << 2 | values[1] >> 4);
        if (dataChars >= 3) *out++ = static_cast<char>((values[1] & 15) << 4 | values[2] >> 2);
        if (dataChars >= 4) *out++ = static_cast<char>((values[2] & 3) << 6 | values[3]);
    };
    auto take = [&](unsigned char c) {
        int v = Base64Values[c];
        if (v == -1) return;
        if (v == -2)
            padded = true;
        else if (!padded)
            values[dataChars++] = v;
        if (++count == 4) {
            flush();
            count = dataChars = 0;
            padded = false;
        }
    };
    auto plain = [](char16_t unit) { return unit < 0x80 && Base64Values[unit] >= 0; };
    for (std::size_t i = 0; i < text.size();) {
        // The usual case, four alphabet characters in a row at a group's start, in one step.
        if (count == 0 && i + 4 <= text.size() && plain(text[i]) && plain(text[i + 1]) &&
            plain(text[i + 2]) && plain(text[i + 3])) {
            std::uint32_t group = static_cast<std::uint32_t>(Base64Values[text[i]]) << 18 |
                                  static_cast<std::uint32_t>(Base64Values[text[i + 1]]) << 12 |
                                  static_cast<std::uint32_t>(Base64Values[text[i + 2]]) << 6 |
                                  static_cast<std::uint32_t>(Base64Values[text[i + 3]]);
            *out++ = static_cast<char>(group >> 16);
            *out++ = static_cast<char>(group >> 8);
            *out++ = static_cast<char>(group);
            i += 4;
            continue;
        }
        char16_t unit = text[i++];
        take(static_cast<unsigned char>(unit & 0xFF));
        if (unit >> 8) take(static_cast<unsigned char>(unit >> 8));
    }
    flush();
    return Utf8ToUtf16(
        std::string_view(bytes.data(), static_cast<std::size_t>(out - bytes.data())));
}

} // namespace lumora
