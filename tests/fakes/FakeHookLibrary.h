#pragma once
#include "tests/fakes/FakeUsLayout.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace lumora::fakes {

// The keyboard-hook library as the program sees it: every key press of the user is reported
// once, in order, as WM_HOOK_CHAR when it gives a character and as WM_HOOK_KEY otherwise;
// Escape always as WM_HOOK_KEY 27; Enter and Tab, reported as characters 13 and 9, are withheld
// from their application; mouse presses are WM_HOOK_MOUSE. Injected events never come here.
class FakeHookLibrary {
public:
    using PostFn = std::function<void(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam)>;

    struct ThreadMessage {
        unsigned Msg;
        std::uintptr_t WParam;
        std::intptr_t LParam;
        bool operator==(const ThreadMessage&) const = default;
    };

    // post delivers a message to the main window's queue.
    explicit FakeHookLibrary(PostFn post);

    // A press of the user's key, with the modifiers as they are while it is down. Returns true
    // when the key is withheld from the application.
    bool KeyPressed(std::uint8_t vk, bool extended, const Modifiers& mods);
    // A key that gives a character no key of the layout has (VK_PACKET input).
    void PacketTyped(char16_t ch);
    void MousePressed(int x, int y);

    // What the program posts to the hook thread (WM_HOOK_BUSY, WM_HOOK_CANCEL, WM_QUIT).
    void ThreadMessageReceived(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
    const std::vector<ThreadMessage>& ThreadMessages() const { return fThreadMessages; }
    bool Busy() const { return fBusy; }

private:
    PostFn fPost;
    std::vector<ThreadMessage> fThreadMessages;
    bool fBusy = false;
};

} // namespace lumora::fakes
