#pragma once
#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// An icon as the system hands it out (HICON), owned by the window or its class: never freed by
// the one who asked. 0 when there is none.
using IconHandle = std::uintptr_t;

// A top-level window as the system describes it, for the lists that offer the user a window.
struct TopLevelWindow {
    HWindow Window = 0;
    std::u16string Title;
    bool Visible = false;
    // WS_EX_TOOLWINDOW: a palette or floating bar, not on the taskbar.
    bool ToolWindow = false;
    // WS_EX_APPWINDOW: on the taskbar even when owned.
    bool AppWindow = false;
    // Has an owner window (a dialog or palette of another window).
    bool Owned = false;
    // Hidden by the desktop window manager although visible (another virtual desktop, a
    // suspended app).
    bool Cloaked = false;
    // Belongs to our own process.
    bool Ours = false;
    // The shell's own desktop or taskbar: a window of explorer.exe, but not one a user would
    // leave alone.
    bool Shell = false;
};

// The open windows of the desktop (user32, dwmapi).
class DesktopWindows {
public:
    virtual ~DesktopWindows() = default;
    // Every top-level window, top of the z-order first.
    virtual std::vector<TopLevelWindow> TopLevelWindows() = 0;
    // The window's icon for a list at this size in pixels (the small one for small sizes); 0
    // when it has none or does not answer in time.
    virtual IconHandle WindowIcon(HWindow w, int size) = 0;
};

} // namespace lumora
