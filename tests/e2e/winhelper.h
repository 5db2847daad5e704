#pragma once
// What the helper programs textwatch and wintext share: UTF-8 in and out, their standard
// streams as bytes, and a window's text read with a time limit, so that a hung program cannot
// hang the test that asks.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace e2e {

inline std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

inline std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// The bytes as written: no LF to CR LF translation on the way out, and none on the way in.
inline void BinaryStdio() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
}

// The length of the window's text; -1 when it does not answer within two seconds.
inline long long TextLength(HWND w) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return -1;
    return static_cast<long long>(len);
}

// The window's text, at most len units, as it stands (CR LF kept); empty when the window does
// not answer within two seconds.
inline std::wstring ReadRawText(HWND w, long long len) {
    std::wstring s(static_cast<size_t>(len) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()),
                             SMTO_ABORTIFHUNG, 2000, &got))
        return {};
    s.resize(got);
    return s;
}

} // namespace e2e
