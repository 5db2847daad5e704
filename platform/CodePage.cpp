#include "platform/CodePage.h"

namespace lumora {

namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes map to the C1 control of the same
// number, as Windows does.
constexpr char16_t High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::u16string Windows1252::ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += (b >= 0x80 && b < 0xA0) ? High[b - 0x80] : static_cast<char16_t>(b);
    }
    return out;
}

std::optional<std::string> Windows1252::FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        std::size_t i = 0;
        while (i < 32 && High[i] != c)
            ++i;
        if (i == 32) return std::nullopt;
        out += static_cast<char>(0x80 + i);
    }
    return out;
}

} // namespace lumora
