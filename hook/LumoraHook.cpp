// lumora.dll: watches the keyboard and the mouse for lumora.exe.
//
// The hooks live on a thread of their own with its own message loop, so that a busy GUI thread
// (typing out a phrase, waiting for the clipboard) never delays the system's input: low-level
// hook callbacks that are slow get skipped by Windows. The callbacks only decide and post.
// Keys held back during an expansion are injected again by a third thread: a thread that
// injects input must not be the one whose hook the input passes through.
#include "hook/LumoraHook.h"

#include "hook/AccentComposition.h"
#include "hook/HookMessages.h"
#include "hook/KeyHold.h"
#include "platform/win32/Win32Handles.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace {

static_assert(lumora::WM_HOOK_CHAR == WM_USER + 1 && lumora::WM_HOOK_RELEASE == WM_USER + 9);

// Between the hook thread and the replay thread.
constexpr UINT WM_REPLAY = WM_APP + 1;      // gReplayInputs holds a batch to inject
constexpr UINT WM_REPLAY_DONE = WM_APP + 2; // the batch is injected
constexpr UINT TickMs = 250;                // the hold's watchdog looks this often

HMODULE gModule = nullptr;
std::atomic<HWND> gTarget{nullptr};
std::atomic<DWORD> gThreadId{0};
// GetTickCount at the last event either hook saw (mouse moves and key releases too): the
// program compares it with the session's last input to notice hooks the system took away.
std::atomic<DWORD> gLastEventTick{0};
// Set by RemoveHooks, ReinstallHooks and EndHooks on the program's own thread; the hook thread
// acts on them when woken.
std::atomic<bool> gRemoveRequested{false};
std::atomic<bool> gReinstallRequested{false};
std::atomic<bool> gEndRequested{false};
// Whether keys are held or being replayed, for the program's end, which waits until they have
// gone to the applications. Written by the hook thread after each event and message.
std::atomic<bool> gHolding{false};
DWORD gReplayThreadId = 0; // set before the hooks are installed, read by the hook thread only
// The batch being replayed: filled by the hook thread, read by the replay thread until it
// posts WM_REPLAY_DONE (one batch at a time). Reserved up front, so that a key's path does not
// allocate.
std::vector<INPUT> gReplayInputs;

// The program's requests (HookHold, HookRelease), taken by the hook thread in order. They come
// from inside the process only; the thread message that wakes the hook thread carries nothing.
struct Request {
    UINT Msg;
    DWORD Report;
    LONG_PTR Flags;
};
constexpr std::size_t RequestRoom = 256;
SRWLOCK gRequestLock = SRWLOCK_INIT;
Request gRequests[RequestRoom];
std::size_t gRequestFirst = 0, gRequestCount = 0;

void AddRequest(UINT msg, DWORD report, LONG_PTR flags) {
    AcquireSRWLockExclusive(&gRequestLock);
    // Full only when the hook thread has stopped taking them: the watchdog lets the keys go.
    if (gRequestCount < RequestRoom) {
        gRequests[(gRequestFirst + gRequestCount) % RequestRoom] = {msg, report, flags};
        ++gRequestCount;
    }
    ReleaseSRWLockExclusive(&gRequestLock);
    if (DWORD thread = gThreadId.load()) PostThreadMessageW(thread, WM_NULL, 0, 0);
}

bool TakeRequest(Request& r) {
    AcquireSRWLockExclusive(&gRequestLock);
    const bool any = gRequestCount > 0;
    if (any) {
        r = gRequests[gRequestFirst];
        gRequestFirst = (gRequestFirst + 1) % RequestRoom;
        --gRequestCount;
    }
    ReleaseSRWLockExclusive(&gRequestLock);
    return any;
}

// Reports go to the program's window; batches to the replay thread.
class HookThreadPort final : public lumora::HookPort {
public:
    void Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostMessageW(gTarget.load(), msg, wParam, lParam);
    }
    void Replay(const std::vector<lumora::HookKeyEvent>& events) override {
        gReplayInputs.clear();
        for (std::size_t i = 0; i < events.size(); ++i) {
            const lumora::HookKeyEvent& e = events[i];
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            if (e.Vk == VK_PACKET) {
                // A character no key gives (from an input method): again as that character.
                in.ki.wScan = static_cast<WORD>(e.Scan);
                in.ki.dwFlags = KEYEVENTF_UNICODE;
            } else {
                in.ki.wVk = static_cast<WORD>(e.Vk);
                // A modifier set back to the user's hand comes without a scan code.
                in.ki.wScan =
                    static_cast<WORD>(e.Scan != 0 ? e.Scan : MapVirtualKeyW(e.Vk, MAPVK_VK_TO_VSC));
                in.ki.dwFlags = e.Extended ? KEYEVENTF_EXTENDEDKEY : 0;
            }
            if (!e.Down) in.ki.dwFlags |= KEYEVENTF_KEYUP;
            in.ki.dwExtraInfo = static_cast<ULONG_PTR>(lumora::ReplayMarker | i);
            gReplayInputs.push_back(in);
        }
        if (!PostThreadMessageW(gReplayThreadId, WM_REPLAY, 0, 0)) {
            // No replay thread: nothing can be injected; the keys are gone, but the hold
            // must not stay.
            PostThreadMessageW(gThreadId.load(), WM_REPLAY_DONE, 0, 0);
        }
    }
};

// State of the hook thread; only the hook thread touches it.
struct HookState {
    HHOOK Keyboard = nullptr;
    HHOOK Mouse = nullptr;
    HookThreadPort Port;
    // The hook thread never receives input itself, so GetKeyState on it would tell nothing:
    // the decider in the hold keeps its own view of the keys from the events it sees.
    lumora::KeyHold Hold{Port};
};
HookState gState;

// The hold's watchdog timer runs only while keys wait: an idle hook thread is never woken. The
// program's end reads the same state (HookHolding).
UINT_PTR gHoldTimer = 0;
void KeepHoldTimer() {
    const bool needed = gState.Hold.Holding();
    gHolding.store(needed, std::memory_order_relaxed);
    if (needed && !gHoldTimer) {
        gHoldTimer = SetTimer(nullptr, 0, TickMs, nullptr);
    } else if (!needed && gHoldTimer) {
        KillTimer(nullptr, gHoldTimer);
        gHoldTimer = 0;
    }
}

void Post(UINT msg, WPARAM wp, LPARAM lp) {
    PostMessageW(gTarget.load(), msg, wp, lp);
}

// ToUnicodeEx with the layout of the foreground window's thread.
class ForegroundChars final : public lumora::KeyCharSource {
public:
    lumora::KeyChar CharOf(std::uint32_t vk, std::uint32_t scan,
                           const std::uint8_t keys[256]) override {
        DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
        HKL layout = GetKeyboardLayout(thread);
        wchar_t buf[8] = {};
        // Flag 4: leave the system's dead-key state alone, so that an accent typed with a dead
        // key still combines with the next key in the target application (the state is one
        // for the whole session: asking with it would use the accent up here). A dead key
        // answers -1 with its accent.
        int n = ToUnicodeEx(vk, scan, keys, buf, 8, 0x4, layout);
        if (n == 1) return {static_cast<char16_t>(buf[0]), false};
        if (n < 0) return {static_cast<char16_t>(buf[0]), true};
        return {};
    }
    // The layout cannot be asked without the state: the accents every layout agrees on.
    std::optional<std::u16string> Compose(char16_t accent, char16_t ch) override {
        return lumora::ComposeAccent(accent, ch);
    }
};

// True when the key must not reach the applications now.
bool OnKeyboardEvent(WPARAM wp, LPARAM lp) {
    gLastEventTick.store(GetTickCount(), std::memory_order_relaxed);
    const auto& k = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    lumora::HookKeyEvent e;
    e.Vk = k.vkCode;
    e.Scan = k.scanCode;
    e.Down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
    e.Extended = (k.flags & LLKHF_EXTENDED) != 0;
    e.Injected = (k.flags & LLKHF_INJECTED) != 0;
    e.ExtraInfo = k.dwExtraInfo;
    ForegroundChars chars;
    const bool held = gState.Hold.OnKey(e, chars, GetTickCount());
    KeepHoldTimer();
    return held;
}

// The callbacks are trampolines: nothing may leave them (an exception crossing the system's
// frames ends the process, and with it the user's keyboard), and on any failure the key goes on
// unchanged, as if we were not there.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION) {
        try {
            if (OnKeyboardEvent(wp, lp)) return 1;
        } catch (...) {
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
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
    gState.Hold.Seed(keys);
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

// Injects the batches of held keys the hook thread hands it, one SendInput call each.
DWORD WINAPI ReplayThread(void* ready) {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(static_cast<HANDLE>(ready));
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != WM_REPLAY) continue;
        const auto count = static_cast<UINT>(gReplayInputs.size());
        const UINT sent = count ? SendInput(count, gReplayInputs.data(), sizeof(INPUT)) : 0;
        // Fewer sent than asked: the system refused the rest (another desktop, UIPI). Those
        // keys are lost; the program tells the user.
        if (sent < count) Post(lumora::WM_HOOK_INPUT_REFUSED, count - sent, 0);
        PostThreadMessageW(gThreadId.load(), WM_REPLAY_DONE, 0, 0);
    }
    return 0;
}

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

    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1 || gEndRequested.load()) break;
        // A WM_QUIT that only another program can have posted: the hooks stay.
        if (got == 0) continue;
        if (gRemoveRequested.exchange(false)) Unhook();
        // Whether it fails or not, the program asks again when it sees input go unreported.
        if (gReinstallRequested.exchange(false)) Install();
        if (msg.hwnd != nullptr) {
            DispatchMessageW(&msg);
            continue;
        }
        // As in the callbacks: a failure here must not end the thread that holds the hooks.
        try {
            Request r;
            while (TakeRequest(r))
                gState.Hold.OnProgramMessage(r.Msg, r.Report, r.Flags, GetTickCount());
            switch (msg.message) {
            case WM_REPLAY_DONE:
                gState.Hold.ReplayDone(GetTickCount());
                break;
            case WM_TIMER:
                gState.Hold.OnTick(GetTickCount());
                break;
            default:
                break;
            }
        } catch (...) {
        }
        KeepHoldTimer();
    }
    if (gHoldTimer) KillTimer(nullptr, gHoldTimer);
    gThreadId = 0;
    return 0;
}

} // namespace

using lumora::UniqueHandle;

extern "C" __declspec(dllexport) DWORD WINAPI SetHook(HWND window) {
    if (DWORD running = gThreadId.load()) return running;
    gTarget = window;
    try {
        gReplayInputs.reserve(lumora::KeyHold::ReservedKeys + 16);
    } catch (...) {
        return 0;
    }

    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready.Valid()) return 0;
    // The replay thread first: the hook thread may hand it keys from its first event on.
    if (gReplayThreadId == 0) {
        DWORD replayId = 0;
        UniqueHandle replay(CreateThread(nullptr, 0, ReplayThread, ready.Get(), 0, &replayId));
        if (!replay.Valid()) return 0;
        WaitForSingleObject(ready.Get(), INFINITE);
        ResetEvent(ready.Get());
        gReplayThreadId = replayId;
    }
    // The thread reads `start` only until it sets Ready, and we wait for that (or for its end),
    // so a local will do. Installing hooks does not block, hence no time limit.
    StartInfo start{ready.Get(), false};
    DWORD id = 0;
    UniqueHandle thread(CreateThread(nullptr, 0, HookThread, &start, 0, &id));
    if (!thread.Valid()) return 0;
    HANDLE both[2] = {ready.Get(), thread.Get()};
    // Either the hooks are in (Ready) or the thread ended early.
    WaitForMultipleObjects(2, both, FALSE, INFINITE);
    if (WaitForSingleObject(ready.Get(), 0) != WAIT_OBJECT_0 || !start.Installed) return 0;
    gThreadId = id;
    return id;
}

extern "C" __declspec(dllexport) void WINAPI HookHold(DWORD report, LONG_PTR flags) {
    AddRequest(lumora::WM_HOOK_HOLD, report, flags);
}

extern "C" __declspec(dllexport) void WINAPI HookRelease(DWORD report) {
    AddRequest(lumora::WM_HOOK_RELEASE, report, 0);
}

extern "C" __declspec(dllexport) DWORD WINAPI HookLastEventTick() {
    return gLastEventTick.load(std::memory_order_relaxed);
}

extern "C" __declspec(dllexport) BOOL WINAPI HookHolding() {
    return gHolding.load(std::memory_order_relaxed) ? TRUE : FALSE;
}

namespace {

// A flag in this process and a message that only wakes the thread: a thread message of its own
// would let any program on the desktop switch the hooks off.
void Ask(std::atomic<bool>& flag) {
    const DWORD thread = gThreadId.load();
    if (thread == 0) return;
    flag = true;
    PostThreadMessageW(thread, WM_NULL, 0, 0);
}

} // namespace

extern "C" __declspec(dllexport) void WINAPI RemoveHooks() {
    Ask(gRemoveRequested);
}

extern "C" __declspec(dllexport) void WINAPI ReinstallHooks() {
    Ask(gReinstallRequested);
}

extern "C" __declspec(dllexport) void WINAPI EndHooks() {
    Ask(gEndRequested);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
