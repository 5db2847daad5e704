// The text services on Windows: the system's own lower- and upper-casing, comparison and code page.
#include "platform/TextCase.h"

#include <windows.h>

#include <climits>

namespace lumora {

namespace {

int ClampLength(std::size_t n) {
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

} // namespace

void LowerCaseBuffer(char16_t* text, std::size_t length) {
    // CharLowerBuffW takes a DWORD count; walk longer buffers in slices.
    while (length > 0) {
        DWORD slice = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
        CharLowerBuffW(reinterpret_cast<wchar_t*>(text), slice);
        text += slice;
        length -= slice;
    }
}

void UpperCaseBuffer(char16_t* text, std::size_t length) {
    while (length > 0) {
        DWORD slice = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
        CharUpperBuffW(reinterpret_cast<wchar_t*>(text), slice);
        text += slice;
        length -= slice;
    }
}

std::u16string LowerCased(std::u16string_view text) {
    std::u16string out(text);
    LowerCaseBuffer(out.data(), out.size());
    return out;
}

int CompareTextInvariant(std::u16string_view a, std::u16string_view b) {
    int r = CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE,
                           reinterpret_cast<const wchar_t*>(a.data()), ClampLength(a.size()),
                           reinterpret_cast<const wchar_t*>(b.data()), ClampLength(b.size()));
    // 1, 2, 3 are less, equal, greater; 0 is a failure, passed on (and so counted as equal).
    return r == 0 ? 0 : r - 2;
}

std::u16string AnsiToUtf16(std::string_view bytes) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), ClampLength(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), ClampLength(bytes.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

} // namespace lumora
