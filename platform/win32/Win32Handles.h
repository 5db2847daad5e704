#pragma once
// Handles and strings across the line to Windows: window handles to and from the core's 32-bit
// values, UTF-16 strings to and from wchar_t, a window's text, and the one guard that closes a
// kernel handle.
#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <string>

namespace lumora {

// Window handles cross into the core as 32-bit values: Windows keeps user handles within 32
// bits even in 64-bit processes, and a 32-bit process receiving one sign-extends it, so we do
// the same on the way back.
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

// A window's text (a control's contents, a window's caption).
inline std::u16string WindowText(HWND w) {
    const int n = GetWindowTextLengthW(w);
    if (n <= 0) return {};
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(w, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return FromWide(s);
}

// A kernel handle (file, process, token, thread, event, snapshot), closed on every path. Null
// and INVALID_HANDLE_VALUE both stand for none: the API answers a failure with one or the other.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() {
        if (Valid()) CloseHandle(h_);
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    // For a call that hands its handle back through a pointer (OpenProcessToken).
    HANDLE* Receive() {
        if (Valid()) CloseHandle(h_);
        h_ = nullptr;
        return &h_;
    }
    // Closes now, for the caller to see the result.
    bool Close() {
        const bool ok = Valid() && CloseHandle(h_) != FALSE;
        h_ = nullptr;
        return ok;
    }

private:
    HANDLE h_ = nullptr;
};

} // namespace lumora
