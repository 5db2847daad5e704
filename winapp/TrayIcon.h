#pragma once
// The program's icon in the notification area: added, and added again when the shell was not
// ready or restarted; its picture and tooltip for the pause state; its balloons; its menu.
#include "platform/win32/Win32Api.h"

#include <shellapi.h>

#include <functional>
#include <string>

namespace lumora {

class TrayIcon {
public:
    // What the icon shows: the pause, and whether the phrase list is open (nothing is expanded
    // meanwhile).
    struct State {
        bool Paused = false;
        bool ListShown = false;
        // As the menu shows them beside their commands ("Ctrl+Alt+P"); empty for none.
        std::u16string PauseShortcut;
        std::u16string SearchShortcut;
    };

    // The message the icon sends its window: lParam's low word is the mouse event.
    static constexpr UINT CallbackMessage = WM_APP + 1;
    // The window's timer that retries an icon the shell refused.
    static constexpr UINT_PTR RetryTimerId = 1;

    explicit TrayIcon(std::function<State()> state) : state_(std::move(state)) {}
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // owner: the window that gets the icon's messages, its timer and its menu's commands. The
    // icons stay the caller's.
    void Attach(HWND owner, HICON icon, HICON pausedIcon);
    // Adds the icon; when the shell is not ready yet, tries again every second.
    void Show();
    // Explorer restarted ("TaskbarCreated"): the icon is added again.
    void ShowAgain();
    // RetryTimerId fired.
    void Retry();
    // The picture and tooltip of the state as it is now.
    void ShowState();
    // A warning balloon at the icon.
    void ShowNotice(const std::u16string& title, const std::u16string& text);
    // An information balloon whose click opens the phrase list (see BalloonClicked).
    void ShowWelcome(const std::u16string& title, const std::u16string& text);
    // The user clicked the balloon shown last: true when it was the welcome, whose click opens
    // the phrase list.
    bool BalloonClicked();
    // The menu at the mouse: "Settings" (the phrase list), "Options...", "Search phrases...",
    // "Pause" (checked while paused, as the tooltip says "paused"), "Exit"; the shortcuts of
    // search and pause beside them.
    void ShowMenu();
    // Takes the icon away and stops retrying.
    void Remove();

private:
    NOTIFYICONDATAW Data(UINT flags) const;
    bool Add();
    void Delete();
    void SetRetryTimer(bool on);

    std::function<State()> state_;
    HWND owner_ = nullptr;
    HICON icon_ = nullptr;
    HICON pausedIcon_ = nullptr;
    bool retrying_ = false;
    bool welcomeShown_ = false;
};

} // namespace lumora
