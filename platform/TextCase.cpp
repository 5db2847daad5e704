// The portable text services, used by every build except Windows.
#include "platform/TextCase.h"

#include <cstdint>

namespace lumora {

namespace {

#include "platform/LowerCaseTable.inc"
#include "platform/UpperCaseTable.inc"

char16_t LowerOf(char16_t c) {
    return static_cast<char16_t>(c + LowerDelta[LowerPage[c >> 8]][c & 0xFF]);
}

char16_t UpperOf(char16_t c) {
    return static_cast<char16_t>(c + UpperDelta[UpperPage[c >> 8]][c & 0xFF]);
}

// Windows-1252 at 0x80..0x9F; the five unassigned bytes map to the C1 control of the same
// number, as Windows does.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

void LowerCaseBuffer(char16_t* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        text[i] = LowerOf(text[i]);
}

void UpperCaseBuffer(char16_t* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        text[i] = UpperOf(text[i]);
}

std::u16string LowerCased(std::u16string_view text) {
    std::u16string out(text);
    LowerCaseBuffer(out.data(), out.size());
    return out;
}

int CompareTextInvariant(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = LowerOf(a[i]), y = LowerOf(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::u16string AnsiToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        out += (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
    return out;
}

} // namespace lumora
