#pragma once
#include "settings/Options.h"
#include "platform/Types.h"

#include <cstdint>
#include <string>

namespace lumora {

class Phrase;

// The state that the main window's handlers share: who we are, what is pending, what runs.
struct ProgramState {
    lumora::Options Options;
    HWindow MainWindow = 0; // the program's own (hidden) main window
    ThreadId HookThreadId = 0;

    bool TypingActive = false;   // an expansion is being typed out
    bool PasteCanceled = false; // Escape asked to stop the typing-out
    std::uint8_t KeyStateFlags = 0;

    // The match raised by a typed character, consumed by the expansion it posts.
    std::u16string PendingMatch;
    std::u16string PendingTrail;
    Phrase* PendingPhrase = nullptr;
};

} // namespace lumora
