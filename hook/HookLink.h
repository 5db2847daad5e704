#pragma once
// Where the messages between the program and the hook library go.
#include "hook/HookMessages.h"
#include "platform/Types.h"

#include <cstdint>
#include <optional>

namespace lumora {

// The program's end and the hook library's end: the main window the library reports to (the
// program's own, hidden), and the library's thread (the id SetHook returned, 0 until then).
struct HookLink {
    HWindow MainWindow = 0;
    ThreadId HookThread = 0;
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
