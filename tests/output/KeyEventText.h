#pragma once
// Injected key events in a compact, readable form for assertions: "+16" Shift down, "-65" A
// up, "-161e" right Shift up as an extended key, "+u2014" a Unicode event for U+2014.
#include "platform/Input.h"

#include <cstdio>
#include <string>
#include <vector>

namespace lumora::testing {

inline std::string KeyEventText(const KeyEvent& e) {
    std::string s = (e.Flags & KEYEVENTF_KEYUP) ? "-" : "+";
    if (e.Flags & KEYEVENTF_UNICODE) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "u%04x", static_cast<unsigned>(e.Scan));
        s += hex;
    } else {
        s += std::to_string(e.Vk);
    }
    if (e.Flags & KEYEVENTF_EXTENDEDKEY) s += "e";
    return s;
}

inline std::vector<std::string> KeyEventTexts(const std::vector<KeyEvent>& events,
                                              std::size_t from = 0, std::size_t count = SIZE_MAX) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < events.size() && out.size() < count; ++i)
        out.push_back(KeyEventText(events[i]));
    return out;
}

} // namespace lumora::testing
