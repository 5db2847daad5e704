#pragma once
// lumora.dll, the keyboard and mouse hook: loaded from beside the program only, its hooks set
// on a thread of their own, asked when they last saw input, and taken away for a test.
#include "hook/HookLink.h"
#include "hook/LumoraHook.h"
#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

class HookLibrary final : public HookRequests {
public:
    // Takes the hooks away, for the end-to-end test of their return. Only a copy started with the
    // environment variable LUMORA_TEST_HOOK_KEY (read once at start) heeds it, and only when
    // wParam carries that number: the variable is set by nothing but the test, in the
    // environment of the copy it starts, so no other program's input can switch off a user's
    // hooks, and even in a test run only the test knows the number. A command-line option could
    // be typed into a shortcut by anyone; a message alone could be posted by any program on the
    // desktop.
    static constexpr UINT TestRemoveHooksMessage = WM_APP + 2;

    // The hook thread's id, or 0 with the message that says why.
    struct Started {
        DWORD HookThread = 0;
        std::u16string Failure;
    };

    HookLibrary();
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    // Loads the library (once; it stays loaded, as its thread runs until the process ends) and
    // sets the hooks, which report to window.
    Started Start(HWND window);
    // GetTickCount at the hooks' last event; none without the library.
    std::optional<std::uint32_t> LastEventTick() const;
    // The library holds or replays the user's keys (false without the library).
    bool Holding() const;
    // TestRemoveHooksMessage arrived with this wParam.
    void RemoveHooksForTest(std::uint64_t key) const;
    // HookRequests: straight into the library, which shares our process.
    void Hold(std::uint32_t report, std::intptr_t flags) override;
    void Release(std::uint32_t report) override;
    void Reinstall() override;
    // Removes the hooks and ends the library's thread (in its own time).
    void End();

private:
    HMODULE library_ = nullptr;
    HookLastEventTickProc lastEventTick_ = nullptr;
    RemoveHooksProc removeHooks_ = nullptr;
    HookHoldProc hold_ = nullptr;
    HookReleaseProc release_ = nullptr;
    HookHoldingProc holding_ = nullptr;
    ReinstallHooksProc reinstall_ = nullptr;
    EndHooksProc end_ = nullptr;
    // The number a test gives in LUMORA_TEST_HOOK_KEY, 0 for none.
    std::uint64_t testKey_ = 0;
};

} // namespace lumora
