#pragma once
#include <cstdint>

namespace lumora {

class KeyStates {
public:
    virtual ~KeyStates() = default;
    // As GetKeyState: the high bit is set while the key is down, the low bit while its toggle
    // (CapsLock) is on.
    virtual std::int16_t KeyState(int vk) = 0;
};

} // namespace lumora
