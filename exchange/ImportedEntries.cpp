#include "exchange/ImportedEntries.h"

#include "platform/Utf.h"

#include <string>

namespace lumora {

std::u16string AtLineColumn(long long line, long long column, std::u16string_view what) {
    return u"Line " + DecimalText(line) + u", column " + DecimalText(column) + u": " +
           std::u16string(what);
}

std::pair<long long, long long> LineColumnOfOffset(std::string_view utf8, std::size_t offset) {
    long long line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

namespace {

// UTF-16 text; half a surrogate pair is refused like bytes that are not UTF-8, since no text
// written as UTF-16 holds one.
std::u16string DecodeUtf16(std::string_view body, bool bigEndian) {
    std::u16string text;
    text.reserve(body.size() / 2);
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
        const auto a = static_cast<unsigned char>(body[i]);
        const auto b = static_cast<unsigned char>(body[i + 1]);
        text += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    long long line = 1, column = 1;
    for (std::size_t i = 0; i < text.size(); ++i, ++column) {
        if (text[i] == u'\n') {
            ++line;
            column = 0;
        } else if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            throw ImportError(AtLineColumn(
                line, column,
                u"this is not UTF-16 text (half a surrogate pair). Save the file as UTF-8 or "
                u"UTF-16 and import it again"));
        }
    }
    if (body.size() % 2 != 0)
        throw ImportError(AtLineColumn(line, column,
                                       u"this UTF-16 text ends in half a character (an odd "
                                       u"number of bytes)"));
    return text;
}

// UTF-16 without a byte-order mark: ASCII text has a NUL in every other byte.
bool LooksLikeUtf16(std::string_view body, bool& bigEndian) {
    const std::size_t n = std::min<std::size_t>(body.size(), 512) & ~std::size_t{1};
    if (n < 2) return false;
    std::size_t evenNuls = 0, oddNuls = 0;
    for (std::size_t i = 0; i < n; i += 2) {
        if (body[i] == '\0') ++evenNuls;
        if (body[i + 1] == '\0') ++oddNuls;
    }
    const std::size_t pairs = n / 2;
    // A character outside Latin-1 (an emoji's surrogates) may put a NUL on the other side too.
    if (oddNuls * 2 > pairs && evenNuls * 4 < oddNuls) {
        bigEndian = false;
        return true;
    }
    if (evenNuls * 2 > pairs && oddNuls * 4 < evenNuls) {
        bigEndian = true;
        return true;
    }
    return false;
}

// The offset of the first byte that does not begin or continue a valid UTF-8 sequence.
std::size_t FirstInvalidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int need = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            return i;
        }
        for (int k = 1; k <= need; ++k) {
            if (i + k >= s.size()) return i;
            const auto c = static_cast<unsigned char>(s[i + k]);
            if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return i;
        }
        i += static_cast<std::size_t>(need) + 1;
    }
    return std::string_view::npos;
}

} // namespace

std::u16string DecodeImportText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
    // With the UTF-8 mark the text is UTF-8, however many NULs it holds.
    const bool marked = bytes.starts_with("\xEF\xBB\xBF");
    if (marked) bytes.remove_prefix(3);
    bool bigEndian = false;
    if (!marked && LooksLikeUtf16(bytes, bigEndian)) return DecodeUtf16(bytes, bigEndian);
    const std::size_t bad = FirstInvalidUtf8(bytes);
    if (bad != std::string_view::npos) {
        const auto [line, column] = LineColumnOfOffset(bytes, bad);
        throw ImportError(AtLineColumn(
            line, column,
            u"this is not UTF-8 text. Save the file as UTF-8 (or UTF-16) and import it again"));
    }
    return Utf8ToUtf16(bytes);
}

std::string DecodeImportTextAsUtf8(std::string_view bytes) {
    bool bigEndian = false;
    const bool marked = bytes.starts_with("\xEF\xBB\xBF");
    const std::string_view body = marked ? bytes.substr(3) : bytes;
    if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF") &&
        (marked || !LooksLikeUtf16(body, bigEndian)) &&
        FirstInvalidUtf8(body) == std::string_view::npos)
        return std::string(body);
    return Utf16ToUtf8(DecodeImportText(bytes));
}

std::u16string EscapeLiteralText(std::u16string_view text) {
    constexpr std::u16string_view FieldStart = u"{#";
    constexpr std::u16string_view EscapedBrace = u"\\\\\\}";
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::u16string_view rest = text.substr(i);
        if (rest.starts_with(FieldStart)) {
            out += u"\\\\\\{#";
            ++i;
        } else if (rest.starts_with(EscapedBrace)) {
            // Three more backslashes keep the three that the text holds.
            out += u"\\\\\\";
            out += EscapedBrace;
            i += EscapedBrace.size() - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::u16string WithCrLf(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (text[i] == u'\n') {
            out += u"\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace lumora
