#pragma once
#include "platform/Types.h"

#include <cstdint>

namespace lumora {

// Posted window and thread messages, and the operation that handles every pending message of
// the GUI thread (the point of re-entry while keys are sent or the clipboard is awaited).
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual bool PostMessage(HWindow w, unsigned msg, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
    virtual bool PostThreadMessage(ThreadId thread, unsigned msg, std::uintptr_t wParam,
                                   std::intptr_t lParam) = 0;
    virtual void ProcessPendingMessages() = 0;
    // Waits up to ms for a message, posted or sent, to arrive for this thread; returns at once
    // when one is waiting. Handles nothing: ProcessPendingMessages does.
    virtual void WaitForMessages(std::uint32_t ms) = 0;
};

} // namespace lumora
