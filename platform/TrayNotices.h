#pragma once
#include <string>

namespace lumora {

// A notice in a balloon at the program's tray icon: for what the user should know but need not
// answer (Shell_NotifyIconW with NIF_INFO).
class TrayNotices {
public:
    virtual ~TrayNotices() = default;
    virtual void ShowNotice(const std::u16string& title, const std::u16string& text) = 0;
};

} // namespace lumora
