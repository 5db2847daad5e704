#pragma once
#include <cstdint>

namespace lumora::vk {

// Virtual-key codes (winuser.h) under names of our own: the VK_ macros of <windows.h> would
// clash with constants of the same names wherever both are seen. Letter and digit keys are
// their upper-case ASCII codes ('A', '0').
inline constexpr std::uint8_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                              Menu = 0x12, Capital = 0x14, Escape = 0x1B, Space = 0x20,
                              Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25,
                              Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E,
                              LWin = 0x5B, RWin = 0x5C, Numpad0 = 0x60, Numpad9 = 0x69,
                              NumLock = 0x90, Scroll = 0x91, LShift = 0xA0, RShift = 0xA1,
                              LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4, RMenu = 0xA5,
                              ProcessKey = 0xE5, Packet = 0xE7, NoName = 0xFC;

// Shift, Ctrl, Alt and the Windows keys, either side or neither.
constexpr bool IsModifierKey(std::uint16_t key) {
    return key == Shift || key == Control || key == Menu || key == LWin || key == RWin ||
           (key >= LShift && key <= RMenu);
}

} // namespace lumora::vk
