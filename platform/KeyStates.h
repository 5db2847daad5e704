#pragma once
#include <cstdint>

namespace lumora {

class KeyStates {
public:
    virtual ~KeyStates() = default;
    // As GetKeyState: the high bit is set while the key is down, the low bit while its toggle
    // (CapsLock) is on.
    virtual std::int16_t KeyState(int vk) = 0;
    // Whether the key is down on the keyboard now (GetAsyncKeyState): the program's own thread
    // receives no keyboard input, so its GetKeyState view may lag behind.
    virtual bool IsKeyDown(int vk) = 0;
};

} // namespace lumora
