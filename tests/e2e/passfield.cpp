// passfield: a helper for the end-to-end tests, run under Wine. A window titled "Password
// Test" with two single-line edit controls, a normal one (focused at start) above a password
// one (ES_PASSWORD); Tab moves between them. Each time either text changes, both are written
// to the file named on the command line as UTF-8, the normal field's text, a line feed, then
// the password field's text (replacing the file in one step, so a reader never sees half of
// it). The program reports the password field's text itself: other programs cannot rely on
// reading a password field with WM_GETTEXT.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

constexpr int IdNormal = 1;
constexpr int IdPassword = 2;

std::wstring gOutput;
HWND gNormal = nullptr;
HWND gPassword = nullptr;

std::wstring TextOf(HWND edit) {
    const int n = GetWindowTextLengthW(edit);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(edit, s.data(), n + 1)));
    return s;
}

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

void WriteFields() {
    const std::string bytes = ToUtf8(TextOf(gNormal)) + "\n" + ToUtf8(TextOf(gPassword));
    const std::wstring temp = gOutput + L".tmp";
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    MoveFileExW(temp.c_str(), gOutput.c_str(), MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        const HINSTANCE instance = reinterpret_cast<CREATESTRUCTW*>(lp)->hInstance;
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
        gNormal = CreateWindowExW(0, L"Edit", L"", style, 10, 10, 360, 24, w,
                                  reinterpret_cast<HMENU>(IdNormal), instance, nullptr);
        gPassword = CreateWindowExW(0, L"Edit", L"", style | ES_PASSWORD, 10, 44, 360, 24, w,
                                    reinterpret_cast<HMENU>(IdPassword), instance, nullptr);
        WriteFields();
        return 0;
    }
    case WM_SETFOCUS:
        SetFocus(gNormal);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wp) == EN_CHANGE) WriteFields();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(w, msg, wp, lp);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 2;
    gOutput = argv[1];
    LocalFree(argv);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"LumoraPassFieldTest";
    if (!RegisterClassExW(&wc)) return 1;
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"Password Test", WS_OVERLAPPEDWINDOW, 100, 100,
                             400, 120, nullptr, nullptr, instance, nullptr);
    if (!w) return 1;
    ShowWindow(w, show);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The dialog manager's keys: Tab moves to the other field.
        if (IsDialogMessageW(w, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
