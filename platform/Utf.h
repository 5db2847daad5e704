#pragma once
#include <string>
#include <string_view>

namespace lumora {

// UTF-8 <-> UTF-16. Both directions are lossy rather than failing: an invalid UTF-8 sequence
// or a lone surrogate becomes U+FFFD, so no stored or decoded text can make them throw.
// Header-only, so that the platform layer can build its error messages without linking the
// data library.

inline bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

namespace utf_detail {

inline constexpr char16_t ReplacementChar = 0xFFFD;

inline void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace utf_detail

// Appends text as UTF-8 to out (which a caller may reuse across many texts).
inline void AppendUtf16AsUtf8(std::string& out, std::u16string_view text) {
    using namespace utf_detail;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            char32_t cp =
                0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, ReplacementChar);
        } else {
            AppendUtf8(out, c);
        }
    }
}

inline std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf16AsUtf8(out, text);
    return out;
}

inline std::u16string Utf8ToUtf16(std::string_view bytes) {
    // Each maximal invalid subpart becomes one U+FFFD (the usual practice of decoders), so a
    // truncated sequence costs one replacement and the byte after it is read afresh.
    using namespace utf_detail;
    // No byte gives more than one unit (four give two), so the result fits the input's length.
    std::u16string out(bytes.size(), u'\0');
    char16_t* to = out.data();
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i < n) {
        unsigned char b = byteAt(i);
        if (b < 0x80) {
            *to++ = static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0)
                lo = 0xA0; // overlong
            else if (b == 0xED)
                hi = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0)
                lo = 0x90; // overlong
            else if (b == 0xF4)
                hi = 0x8F; // above U+10FFFF
        } else {
            *to++ = ReplacementChar;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n) {
                ok = false;
                break;
            }
            unsigned char c = byteAt(j);
            unsigned char min = k == 0 ? lo : 0x80;
            unsigned char max = k == 0 ? hi : 0xBF;
            if (c < min || c > max) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            *to++ = ReplacementChar;
        } else if (cp < 0x10000) {
            *to++ = static_cast<char16_t>(cp);
        } else {
            cp -= 0x10000;
            *to++ = static_cast<char16_t>(0xD800 | (cp >> 10));
            *to++ = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        }
        i = j;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

} // namespace lumora
