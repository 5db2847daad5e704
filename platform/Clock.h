#pragma once
#include <cstdint>

namespace lumora {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() = 0; // milliseconds, wrapping
    virtual void Sleep(std::uint32_t ms) = 0;
    // The tick of the session's last keyboard or mouse input (GetLastInputInfo).
    virtual std::uint32_t LastInputTick() = 0;
};

} // namespace lumora
