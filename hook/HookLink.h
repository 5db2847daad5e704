#pragma once
// Where the messages between the program and the hook library go.
#include "hook/HookMessages.h"
#include "platform/Types.h"

namespace lumora {

// The program's end and the hook library's end: the main window the library reports to (the
// program's own, hidden), and the library's thread (the id SetHook returned, 0 until then).
struct HookLink {
    HWindow MainWindow = 0;
    ThreadId HookThread = 0;
};

} // namespace lumora
