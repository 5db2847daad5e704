#pragma once
// Keystroke synthesis: the program's only way of producing keyboard input.
#include "platform/Platform.h"

#include <cstdint>
#include <vector>

namespace lumora {

// Injects one event per key, in list order, all pressed (Down) or all released, and lets the
// GUI thread handle its pending messages after each one: a point of re-entry.
void SendKeys(Platform& platform, const std::vector<std::int32_t>& Keys, bool Down, bool Extended);

} // namespace lumora
