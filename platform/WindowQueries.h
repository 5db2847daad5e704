#pragma once
#include "platform/Types.h"

#include <optional>
#include <string>
#include <string_view>

namespace lumora {

struct GuiThreadInfo {
    HWindow Active = 0;
    HWindow Focus = 0;
    HWindow Caret = 0;
};

// The window queries that target finding needs (user32).
class WindowQueries {
public:
    virtual ~WindowQueries() = default;
    virtual HWindow ForegroundWindow() = 0;
    // The next top-level window below w in z-order (GW_HWNDNEXT), 0 at the bottom.
    virtual HWindow NextWindow(HWindow w) = 0;
    virtual ThreadId WindowThread(HWindow w) = 0;
    // The window's title is exactly this (false when it cannot be read). Asked on every key:
    // no string is built.
    virtual bool TitleIs(HWindow w, std::u16string_view title) = 0;
    // WS_ACTIVECAPTION when w is active, else 0; nullopt when the status cannot be read.
    virtual std::optional<std::uint32_t> WindowStatus(HWindow w) = 0;
    virtual bool IsVisible(HWindow w) = 0;
    virtual bool IsEnabled(HWindow w) = 0;
    virtual std::optional<GuiThreadInfo> GuiThread(ThreadId thread) = 0;
    // The window's class name begins with prefix, letters A to Z in either case (false when
    // it cannot be read). Asked on every key: no string is built.
    virtual bool ClassNameStartsWith(HWindow w, std::u16string_view prefix) = 0;
    virtual bool Exists(HWindow w) = 0;
    virtual HWindow WindowAt(int x, int y) = 0;
    // The control is a password field: an edit control with the password style, as the system
    // reports it (not guessed from the class name).
    virtual bool IsPasswordField(HWindow control) = 0;
};

} // namespace lumora
