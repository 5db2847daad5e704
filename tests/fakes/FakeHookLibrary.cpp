#include "tests/fakes/FakeHookLibrary.h"

#include "app/HookMessages.h"

#include <utility>

namespace lumora::fakes {

FakeHookLibrary::FakeHookLibrary(PostFn post) : fPost(std::move(post)) {}

bool FakeHookLibrary::KeyPressed(std::uint8_t vk, bool extended, const Modifiers& mods) {
    if (vk == simkey::Escape) {
        fPost(WM_HOOK_KEY, 27, 0);
        return false;
    }
    auto ch = uslayout::CharOf(vk, mods);
    if (!ch) {
        fPost(WM_HOOK_KEY, vk, 0);
        return false;
    }
    fPost(WM_HOOK_CHAR, *ch, static_cast<std::intptr_t>(vk | (extended ? 0x100 : 0)));
    // Only the Enter and Tab keys; Ctrl+M and Ctrl+I give the same characters but go through.
    return (vk == simkey::Return && *ch == 13) || (vk == simkey::Tab && *ch == 9);
}

void FakeHookLibrary::PacketTyped(char16_t ch) {
    fPost(WM_HOOK_CHAR, ch, simkey::Packet);
}

void FakeHookLibrary::MousePressed(int x, int y) {
    // The point travels as signed 32-bit values in wParam and lParam.
    fPost(WM_HOOK_MOUSE, static_cast<std::uintptr_t>(static_cast<std::uint32_t>(x)), y);
}

void FakeHookLibrary::ThreadMessageReceived(unsigned msg, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    fThreadMessages.push_back({msg, wParam, lParam});
    if (msg == WM_HOOK_BUSY) fBusy = wParam != 0;
}

} // namespace lumora::fakes
