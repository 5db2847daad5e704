#pragma once
// Window handles cross into the core as 32-bit values: Windows keeps user handles within 32
// bits even in 64-bit processes, and a 32-bit process receiving one sign-extends it, so we do
// the same on the way back.
#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <string>

namespace lumora {

inline HWindow FromHwnd(HWND w) {
    return static_cast<HWindow>(reinterpret_cast<std::uintptr_t>(w));
}

inline HWND ToHwnd(HWindow w) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(w)));
}

inline const wchar_t* WidePtr(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

inline std::u16string FromWide(const wchar_t* s, std::size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

inline std::u16string FromWide(const std::wstring& s) {
    return FromWide(s.data(), s.size());
}

inline std::wstring ToWide(const std::u16string& s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}

} // namespace lumora
