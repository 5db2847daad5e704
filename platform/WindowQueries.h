#pragma once
#include "platform/Types.h"

#include <optional>
#include <string>

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
    // Empty when the title cannot be read.
    virtual std::u16string WindowTitle(HWindow w) = 0;
    // WS_ACTIVECAPTION when w is active, else 0; nullopt when the status cannot be read.
    virtual std::optional<std::uint32_t> WindowStatus(HWindow w) = 0;
    virtual bool IsVisible(HWindow w) = 0;
    virtual bool IsEnabled(HWindow w) = 0;
    virtual std::optional<GuiThreadInfo> GuiThread(ThreadId thread) = 0;
    // nullopt when the class name cannot be read.
    virtual std::optional<std::u16string> ClassName(HWindow w) = 0;
    virtual bool Exists(HWindow w) = 0;
    virtual HWindow WindowAt(int x, int y) = 0;
    // The control is a password field: an edit control with the password style, as the system
    // reports it (not guessed from the class name).
    virtual bool IsPasswordField(HWindow control) = 0;
};

} // namespace lumora
