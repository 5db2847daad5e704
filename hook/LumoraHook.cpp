// lumora.dll: watches the keyboard and the mouse for lumora.exe.
//
// The hooks live on a thread of their own with its own message loop, so that a busy GUI thread
// (typing out a phrase, waiting for the clipboard) never delays the system's input: low-level
// hook callbacks that are slow get skipped by Windows. The callbacks only decide and post.
#include "hook/LumoraHook.h"

#include "app/HookMessages.h"

#include <atomic>

namespace {

static_assert(lumora::WM_HOOK_CHAR == WM_USER + 1 && lumora::WM_HOOK_BUSY == WM_USER + 7);

HMODULE gModule = nullptr;
std::atomic<HWND> gTarget{nullptr};
std::atomic<DWORD> gThreadId{0};

// State of the hook thread; only the hook thread touches it.
struct HookState {
    HHOOK Keyboard = nullptr;
    HHOOK Mouse = nullptr;
    bool Busy = false;
    // Our own view of which keys are down and which toggles are on: the hook thread never
    // receives input itself, so GetKeyState on it would tell nothing.
    BYTE Keys[256] = {};
    // Keys whose press was withheld, so that their release is withheld too.
    bool Withheld[256] = {};
};
HookState gState;

bool Down(int vk) {
    return (gState.Keys[vk] & 0x80) != 0;
}

bool CtrlHeld() {
    return Down(VK_LCONTROL) || Down(VK_RCONTROL);
}
bool AltHeld() {
    return Down(VK_LMENU) || Down(VK_RMENU);
}
bool WinHeld() {
    return Down(VK_LWIN) || Down(VK_RWIN);
}

void Post(UINT msg, WPARAM wp, LPARAM lp) {
    PostMessageW(gTarget.load(), msg, wp, lp);
}

// Keeps Keys in step with every key event the system sees, injected ones included (the
// program releases modifiers by injection before typing).
void TrackKey(DWORD vk, bool down) {
    if (vk > 255) return;
    BYTE& k = gState.Keys[vk];
    if (down) {
        bool repeat = (k & 0x80) != 0;
        if (!repeat && (vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL)) k ^= 0x01;
        k |= 0x80;
    } else {
        k &= static_cast<BYTE>(~0x80);
    }
    // The generic modifier codes mirror their left and right keys, as ToUnicodeEx expects.
    auto either = [](int l, int r) -> BYTE { return (Down(l) || Down(r)) ? 0x80 : 0; };
    gState.Keys[VK_SHIFT] = either(VK_LSHIFT, VK_RSHIFT);
    gState.Keys[VK_CONTROL] = either(VK_LCONTROL, VK_RCONTROL);
    gState.Keys[VK_MENU] = either(VK_LMENU, VK_RMENU);
}

// The character a key press types in the foreground application, or 0 when it types none
// (dead keys, keys without a character, several characters).
wchar_t CharOf(const KBDLLHOOKSTRUCT& k) {
    DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    HKL layout = GetKeyboardLayout(thread);
    wchar_t buf[8] = {};
    // Flag 4: leave the kernel's dead-key state alone, so an accent typed with a dead key still
    // combines with the next key in the target application.
    int n = ToUnicodeEx(k.vkCode, k.scanCode, gState.Keys, buf, 8, 0x4, layout);
    return n == 1 ? buf[0] : 0;
}

// Returns true when the key event is withheld from the applications.
bool OnKey(const KBDLLHOOKSTRUCT& k, bool down) {
    const DWORD vk = k.vkCode;
    const bool extended = (k.flags & LLKHF_EXTENDED) != 0;
    const LPARAM vkExt = static_cast<LPARAM>((vk & 0xFF) | (extended ? 0x100 : 0));

    if (!down) {
        if (vk <= 255 && gState.Withheld[vk]) {
            gState.Withheld[vk] = false;
            return true;
        }
        return false;
    }

    switch (vk) {
    case VK_ESCAPE:
        Post(lumora::WM_HOOK_KEY, 27, 0);
        return false;
    case VK_BACK:
        Post(lumora::WM_HOOK_CHAR, 8, vkExt);
        return false;
    case VK_RETURN:
    case VK_TAB: {
        const bool system = AltHeld() || WinHeld();
        if (!system && CtrlHeld()) {
            // Ctrl+Enter types a line feed and reaches the application; Ctrl+Tab is a command.
            if (vk == VK_RETURN)
                Post(lumora::WM_HOOK_CHAR, 10, vkExt);
            else
                Post(lumora::WM_HOOK_KEY, vk, 0);
            return false;
        }
        if (system || gState.Busy) {
            // Alt+Tab, Win+Tab, Alt+Enter belong to the system; while a phrase is typed out
            // the user's Enter goes straight on.
            Post(lumora::WM_HOOK_KEY, vk, 0);
            return false;
        }
        Post(lumora::WM_HOOK_CHAR, vk == VK_RETURN ? 13 : 9, vkExt);
        gState.Withheld[vk] = true;
        return true;
    }
    default:
        break;
    }

    // Alt (without Ctrl, which with Alt is AltGr) and the Windows key make commands, not text.
    wchar_t ch = 0;
    if (!WinHeld() && !(AltHeld() && !CtrlHeld())) ch = CharOf(k);
    if (ch != 0)
        Post(lumora::WM_HOOK_CHAR, ch, vkExt);
    else
        Post(lumora::WM_HOOK_KEY, vk, 0);
    return false;
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto& k = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
        bool withhold = false;
        if (!(k.flags & LLKHF_INJECTED)) withhold = OnKey(k, down);
        TrackKey(k.vkCode, down);
        if (withhold) return 1;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto& m = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
        const bool press = wp == WM_LBUTTONDOWN || wp == WM_RBUTTONDOWN || wp == WM_MBUTTONDOWN ||
                           wp == WM_XBUTTONDOWN;
        if (press && !(m.flags & LLMHF_INJECTED))
            Post(lumora::WM_HOOK_MOUSE, static_cast<WPARAM>(static_cast<LONG_PTR>(m.pt.x)),
                 static_cast<LPARAM>(m.pt.y));
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// Unhooks whatever is installed, on every way out of the thread.
struct HookGuard {
    ~HookGuard() {
        if (gState.Keyboard) UnhookWindowsHookEx(gState.Keyboard);
        if (gState.Mouse) UnhookWindowsHookEx(gState.Mouse);
        gState.Keyboard = gState.Mouse = nullptr;
    }
};

struct StartInfo {
    HANDLE Ready;   // set once the hooks are installed or have failed
    bool Installed; // written before Ready is set
};

DWORD WINAPI HookThread(void* param) {
    auto* start = static_cast<StartInfo*>(param);
    MSG msg;
    // Create the thread's message queue before anyone can post to it.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    HookGuard guard;
    for (int vk = 0; vk < 256; ++vk) {
        gState.Keys[vk] = (GetAsyncKeyState(vk) & 0x8000) ? 0x80 : 0;
    }
    for (int vk : {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL}) {
        if (GetKeyState(vk) & 1) gState.Keys[vk] |= 0x01;
    }
    gState.Keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, gModule, 0);
    gState.Mouse = SetWindowsHookExW(WH_MOUSE_LL, MouseProc, gModule, 0);
    const bool installed = gState.Keyboard && gState.Mouse;
    start->Installed = installed;
    SetEvent(start->Ready); // `start` is not ours after this
    if (!installed) return 1;

    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd != nullptr) {
            DispatchMessageW(&msg);
            continue;
        }
        switch (msg.message) {
        case lumora::WM_HOOK_BUSY:
            gState.Busy = msg.wParam != 0;
            break;
        case lumora::WM_HOOK_CANCEL:
            gState.Busy = false;
            break;
        default:
            break;
        }
    }
    gThreadId = 0;
    return 0;
}

// Closes a handle on every path.
struct HandleGuard {
    HANDLE H;
    ~HandleGuard() {
        if (H) CloseHandle(H);
    }
};

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI SetHook(HWND window) {
    if (DWORD running = gThreadId.load()) return running;
    gTarget = window;

    HandleGuard ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (!ready.H) return 0;
    // The thread reads `start` only until it sets Ready, and we wait for that (or for its end),
    // so a local will do. Installing hooks does not block, hence no time limit.
    StartInfo start{ready.H, false};
    DWORD id = 0;
    HandleGuard thread{CreateThread(nullptr, 0, HookThread, &start, 0, &id)};
    if (!thread.H) return 0;
    HANDLE both[2] = {ready.H, thread.H};
    // Either the hooks are in (Ready) or the thread ended early.
    WaitForMultipleObjects(2, both, FALSE, INFINITE);
    if (WaitForSingleObject(ready.H, 0) != WAIT_OBJECT_0 || !start.Installed) return 0;
    gThreadId = id;
    return id;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
