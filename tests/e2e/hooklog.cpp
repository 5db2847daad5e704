// hooklog: loads lumora.dll from its own folder, calls SetHook on a hidden window and prints
// every message the hook library posts to it, one line each, for the end-to-end tests:
//   READY <thread id>     SetHook succeeded (FAILED when it returned 0)
//   CHAR <code> <vk> <extended>
//   KEY <vk>
//   MOUSE <x> <y>
//   HOLDING <report> <refused>, LETGO <report>
// Like the program, it answers each withheld Enter or Tab with HookRelease (no abbreviation),
// so that the library lets it go. Options:
//   --silent  never answers: the library's watchdog must let the keys go by itself
//   --hold    asks for a hold (HookHold) at the first character, and releases it when Escape
//             is reported (which the library reports at once during a hold)
// On WM_HOOK_KEY F8 it injects X, Y and Enter with SendInput (input that the library must
// neither report nor withhold), then prints INJECTED.
#include "hook/HookMessages.h"
#include "hook/LumoraHook.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

enum class Mode { Answer, Silent, Hold };
Mode gMode = Mode::Answer;
bool gHoldAsked = false;
HookHoldProc gHold = nullptr;
HookReleaseProc gRelease = nullptr;

void Line(const char* fmt, long long a = 0, long long b = 0, long long c = 0) {
    std::printf(fmt, a, b, c);
    std::printf("\n");
    std::fflush(stdout);
}

void Inject(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case lumora::WM_HOOK_CHAR: {
        Line("CHAR %lld %lld %lld", static_cast<long long>(wp & 0xFFFF), lp & 0xFF,
             (lp >> 8) & 0xFF);
        const std::uint32_t report = lumora::ReportNumber(lp);
        const bool withheld =
            ((wp == 13 && (lp & 0xFF) == VK_RETURN) || (wp == 9 && (lp & 0xFF) == VK_TAB));
        if (gMode == Mode::Hold && !gHoldAsked) {
            gHoldAsked = true;
            gHold(report, 0);
        } else if (gMode != Mode::Silent && withheld) {
            gRelease(report);
        }
        return 0;
    }
    case lumora::WM_HOOK_HOLDING:
        Line("HOLDING %lld %lld", static_cast<long long>(wp), static_cast<long long>(lp));
        return 0;
    case lumora::WM_HOOK_LET_GO:
        Line("LETGO %lld", static_cast<long long>(wp));
        return 0;
    case lumora::WM_HOOK_KEY:
        Line("KEY %lld", static_cast<long long>(wp & 0xFFFF));
        if (gMode == Mode::Hold && wp == VK_ESCAPE) gRelease(lumora::ReportNumber(lp));
        if (wp == VK_F8) {
            for (WORD vk : {WORD('X'), WORD('Y'), WORD(VK_RETURN)}) {
                Inject(vk, false);
                Inject(vk, true);
            }
            Line("INJECTED");
        }
        return 0;
    case lumora::WM_HOOK_MOUSE:
        Line("MOUSE %lld %lld", static_cast<long long>(static_cast<int>(wp)),
             static_cast<long long>(static_cast<int>(lp)));
        return 0;
    default:
        return DefWindowProcW(w, msg, wp, lp);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring option = argc > 1 ? argv[1] : L"";
    if (option == L"--silent") gMode = Mode::Silent;
    if (option == L"--hold") gMode = Mode::Hold;

    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraHookLog";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"hooklog", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                             nullptr, nullptr, wc.hInstance, nullptr);

    // The library from our own folder, by full path, as lumora.exe does.
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, n);
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"lumora.dll";
    HMODULE lib = LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    auto setHook =
        lib ? reinterpret_cast<SetHookProc>(reinterpret_cast<void*>(GetProcAddress(lib, "SetHook")))
            : nullptr;
    gHold = lib ? reinterpret_cast<HookHoldProc>(
                      reinterpret_cast<void*>(GetProcAddress(lib, "HookHold")))
                : nullptr;
    gRelease = lib ? reinterpret_cast<HookReleaseProc>(
                         reinterpret_cast<void*>(GetProcAddress(lib, "HookRelease")))
                   : nullptr;
    DWORD tid = setHook && gHold && gRelease ? setHook(w) : 0;
    if (!tid) {
        Line("FAILED");
        return 1;
    }
    Line("READY %lld", tid);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    PostThreadMessageW(tid, WM_QUIT, 0, 0);
    return 0;
}
