#pragma once
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/DateFormats.h"
#include "platform/GlobalShortcuts.h"
#include "platform/Input.h"
#include "platform/KeyStates.h"
#include "platform/MessagePort.h"
#include "platform/ProcessQueries.h"
#include "platform/WindowQueries.h"

namespace lumora {

// The operating system as the core sees it: the Win32 implementation in the program, the
// scripted desktop in the tests.
struct Platform {
    WindowQueries& Windows;
    KeyStates& Keys;
    Clipboard& Clip;
    Clock& Time;
    MessagePort& Messages;
    InputInjector& Input;
    KeyboardLayouts& Layouts;
    ProcessQueries& Processes;
    DateFormats& Dates;
    GlobalShortcuts& Shortcuts;
};

} // namespace lumora
