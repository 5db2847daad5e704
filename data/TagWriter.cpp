#include "data/TagWriter.h"

#include "platform/Utf.h"

#include <cstdint>

namespace lumora {

namespace {

constexpr char Base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    if (c == '=') return -2;
    return -1;
}

} // namespace

std::u16string WriteTag(const std::u16string& name, const std::u16string& value, bool open,
                        bool close) {
    std::u16string out;
    if (open) {
        out += u"<" + name + u">";
        if (!value.empty())
            out += TextToBase64(Utf16ToUtf8(value));
        else if (!close)
            out += u"\r\n";
    }
    if (close) out += u"</" + name + u">\r\n";
    return out;
}

std::u16string TextToBase64(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 3 * 4 + bytes.size() / 57 * 2 + 8);
    int lineLength = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        out += static_cast<char16_t>(Base64Alphabet[(group >> 18) & 63]);
        out += static_cast<char16_t>(Base64Alphabet[(group >> 12) & 63]);
        out += n > 1 ? static_cast<char16_t>(Base64Alphabet[(group >> 6) & 63]) : u'=';
        out += n > 2 ? static_cast<char16_t>(Base64Alphabet[group & 63]) : u'=';
        lineLength += 4;
        if (lineLength == 76) {
            out += u"\r\n";
            lineLength = 0;
        }
    }
    return out;
}

std::u16string Base64ToText(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 3 / 4);
    int values[4];
    int count = 0;
    // A group is cut at its first '='; two or three characters before it still give their
    // bytes, fewer give none. The same applies to an incomplete last group.
    auto flush = [&](int dataChars) {
        if (dataChars >= 2) bytes += static_cast<char>(values[0] << 2 | values[1] >> 4);
        if (dataChars >= 3) bytes += static_cast<char>((values[1] & 15) << 4 | values[2] >> 2);
        if (dataChars >= 4) bytes += static_cast<char>((values[2] & 3) << 6 | values[3]);
    };
    int dataChars = 0;
    bool padded = false;
    auto take = [&](unsigned char c) {
        int v = Base64Value(c);
        if (v == -1) return;
        if (v == -2)
            padded = true;
        else if (!padded)
            values[dataChars++] = v;
        if (++count == 4) {
            flush(dataChars);
            count = dataChars = 0;
            padded = false;
        }
    };
    for (char16_t unit : text) {
        take(static_cast<unsigned char>(unit & 0xFF));
        take(static_cast<unsigned char>(unit >> 8));
    }
    flush(dataChars);
    return Utf8ToUtf16(bytes);
}

} // namespace lumora
