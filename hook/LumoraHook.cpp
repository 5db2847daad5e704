// lumora.dll: watches the keyboard and the mouse for lumora.exe.
//
// The hooks live on a thread of their own with its own message loop, so that a busy GUI thread
// (typing out a phrase, waiting for the clipboard) never delays the system's input: low-level
// hook callbacks that are slow get skipped by Windows. The callbacks only decide and post.
#include "hook/LumoraHook.h"

#include "hook/HookMessages.h"
#include "hook/KeyDecider.h"

#include <atomic>

namespace {

static_assert(lumora::WM_HOOK_CHAR == WM_USER + 1 && lumora::WM_HOOK_BUSY == WM_USER + 7);

HMODULE gModule = nullptr;
std::atomic<HWND> gTarget{nullptr};
std::atomic<DWORD> gThreadId{0};
// GetTickCount at the last event either hook saw (mouse moves and key releases too): the
// program compares it with the session's last input to notice hooks the system took away.
std::atomic<DWORD> gLastEventTick{0};
// Set by RemoveHooks on the program's own thread; the hook thread acts on it when woken.
std::atomic<bool> gRemoveRequested{false};

// State of the hook thread; only the hook thread touches it.
struct HookState {
    HHOOK Keyboard = nullptr;
    HHOOK Mouse = nullptr;
    // The hook thread never receives input itself, so GetKeyState on it would tell nothing:
    // the decider keeps its own view of the keys from the events it sees.
    lumora::KeyDecider Decider;
};
HookState gState;

void Post(UINT msg, WPARAM wp, LPARAM lp) {
    PostMessageW(gTarget.load(), msg, wp, lp);
}

// ToUnicodeEx with the layout of the foreground window's thread.
class ForegroundChars final : public lumora::KeyCharSource {
public:
    char16_t CharOf(std::uint32_t vk, std::uint32_t scan, const std::uint8_t keys[256]) override {
        DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
        HKL layout = GetKeyboardLayout(thread);
        wchar_t buf[8] = {};
        // Flag 4: leave the kernel's dead-key state alone, so that an accent typed with a dead
        // key still combines with the next key in the target application.
        int n = ToUnicodeEx(vk, scan, keys, buf, 8, 0x4, layout);
        return n == 1 ? static_cast<char16_t>(buf[0]) : 0;
    }
};

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        gLastEventTick.store(GetTickCount(), std::memory_order_relaxed);
        const auto& k = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        lumora::HookKeyEvent e;
        e.Vk = k.vkCode;
        e.Scan = k.scanCode;
        e.Down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
        e.Extended = (k.flags & LLKHF_EXTENDED) != 0;
        e.Injected = (k.flags & LLKHF_INJECTED) != 0;
        ForegroundChars chars;
        const lumora::HookDecision d = gState.Decider.Decide(e, chars);
        using Report = lumora::HookDecision::Report;
        if (d.Kind == Report::Char)
            Post(lumora::WM_HOOK_CHAR, d.Code, d.VkExt);
        else if (d.Kind == Report::Key)
            Post(lumora::WM_HOOK_KEY, d.Code, 0);
        if (d.Withhold) return 1;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        gLastEventTick.store(GetTickCount(), std::memory_order_relaxed);
        const auto& m = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
        const bool press = wp == WM_LBUTTONDOWN || wp == WM_RBUTTONDOWN || wp == WM_MBUTTONDOWN ||
                           wp == WM_XBUTTONDOWN;
        if (press && !(m.flags & LLMHF_INJECTED))
            Post(lumora::WM_HOOK_MOUSE, static_cast<WPARAM>(static_cast<LONG_PTR>(m.pt.x)),
                 static_cast<LPARAM>(m.pt.y));
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

void Unhook() {
    // A hook the system removed on its own makes this fail; nothing to do about that.
    if (gState.Keyboard) UnhookWindowsHookEx(gState.Keyboard);
    if (gState.Mouse) UnhookWindowsHookEx(gState.Mouse);
    gState.Keyboard = gState.Mouse = nullptr;
}

// Installs both hooks (after removing any), starting from the keys as they are now: releases
// may have gone by while the hooks were away. True when both are in.
bool Install() {
    Unhook();
    BYTE keys[256] = {};
    for (int vk = 0; vk < 256; ++vk) {
        keys[vk] = (GetAsyncKeyState(vk) & 0x8000) ? 0x80 : 0;
    }
    for (int vk : {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL}) {
        if (GetKeyState(vk) & 1) keys[vk] |= 0x01;
    }
    gState.Decider.Seed(keys);
    gState.Keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, gModule, 0);
    gState.Mouse = SetWindowsHookExW(WH_MOUSE_LL, MouseProc, gModule, 0);
    gLastEventTick.store(GetTickCount(), std::memory_order_relaxed);
    return gState.Keyboard && gState.Mouse;
}

// Unhooks whatever is installed, on every way out of the thread.
struct HookGuard {
    ~HookGuard() { Unhook(); }
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
    const bool installed = Install();
    start->Installed = installed;
    SetEvent(start->Ready); // `start` is not ours after this
    if (!installed) return 1;

    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (gRemoveRequested.exchange(false)) Unhook();
        if (msg.hwnd != nullptr) {
            DispatchMessageW(&msg);
            continue;
        }
        switch (msg.message) {
        case lumora::WM_HOOK_BUSY:
            gState.Decider.SetBusy(msg.wParam != 0);
            break;
        case lumora::WM_HOOK_CANCEL:
            gState.Decider.SetBusy(false);
            break;
        case lumora::WM_HOOK_REINSTALL:
            // Whether it fails or not, the program asks again when it sees input go unreported.
            Install();
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

extern "C" __declspec(dllexport) DWORD WINAPI HookLastEventTick() {
    return gLastEventTick.load(std::memory_order_relaxed);
}

extern "C" __declspec(dllexport) void WINAPI RemoveHooks() {
    const DWORD thread = gThreadId.load();
    if (thread == 0) return;
    // A flag in this process and a message that only wakes the thread: a thread message of its
    // own would let any program on the desktop switch the hooks off.
    gRemoveRequested = true;
    PostThreadMessageW(thread, WM_NULL, 0, 0);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
