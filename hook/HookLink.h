#pragma once
// Where the messages between the program and the hook library go.
#include "hook/HookMessages.h"
#include "platform/Types.h"

#include <cstdint>
#include <optional>

namespace lumora {

// The program's word to the hook library about the hold (WM_HOOK_HOLD and WM_HOOK_RELEASE, see
// HookMessages.h). The two share the process, so it is said inside it: a thread message could
// be posted by any program on the desktop.
class HookRequests {
public:
    virtual ~HookRequests() = default;
    virtual void Hold(std::uint32_t report, std::intptr_t flags) = 0;
    virtual void Release(std::uint32_t report) = 0;
    // Remove the hooks and install them again (Windows may have taken them away), starting from
    // the keys as they are then.
    virtual void Reinstall() = 0;
};

// The program's end and the hook library's end: the main window the library reports to (the
// program's own, hidden), the library's thread (the id SetHook returned, 0 until then), and
// its requests (null while there is no hook).
struct HookLink {
    HWindow MainWindow = 0;
    ThreadId HookThread = 0;
    HookRequests* Requests = nullptr;
};

// What the hook library tells of its hooks' life.
class HookActivity {
public:
    virtual ~HookActivity() = default;
    // The tick (GetTickCount) of the last event its hooks saw, any key or mouse event, or of
    // their installing; nullopt when the library cannot tell.
    virtual std::optional<std::uint32_t> LastEventTick() = 0;
};

} // namespace lumora
