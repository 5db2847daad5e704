#pragma once
#include <cstdint>

namespace lumora {

// Window handles are opaque 32-bit values (as Windows guarantees for user handles, even on
// 64-bit); 0 means none. The Win32 layer converts at its edge.
using HWindow = std::uint32_t;
using ThreadId = std::uint32_t;
using HLayout = std::uint64_t; // a keyboard layout (HKL)

constexpr std::uint32_t WS_ACTIVECAPTION = 1;

// Clipboard formats the core asks for.
constexpr unsigned CF_TEXT = 1;
constexpr unsigned CF_UNICODETEXT = 13;

// Key event flags of an injected keyboard event.
constexpr std::uint32_t KEYEVENTF_EXTENDEDKEY = 0x1;
constexpr std::uint32_t KEYEVENTF_KEYUP = 0x2;
constexpr std::uint32_t KEYEVENTF_UNICODE = 0x4;

} // namespace lumora
