#pragma once
// The main window's message intake: the hook library's reports, the program's own posted work
// and the shell's "TaskbarCreated" are decoded here and handed to the part that does the work.
#include "control/ProgramControl.h"
#include "expansion/PhraseExpansion.h"
#include "hook/HookLink.h"
#include "intake/CharIntake.h"
#include "intake/EditKeys.h"
#include "matching/CandidateSearch.h"
#include "output/PhraseTyping.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/TrayNotices.h"
#include "settings/Options.h"
#include "settings/Shortcut.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace lumora {

class AbbreviationIndex;

// The text the general error box shows for a message: "." appended unless it ends in "." or
// a character below it.
std::u16string ErrorBoxText(std::u16string_view message);

class EventIntake : private SlippedKeysObserver {
public:
    // The link, the options and the index are owned by the caller and outlive this object;
    // changes to them count from the next message on.
    EventIntake(Platform& platform, MessageBoxes& boxes, TrayNotices& notices, HookLink& link,
                const Options& options, const AbbreviationIndex& index);
    EventIntake(const EventIntake&) = delete;
    EventIntake& operator=(const EventIntake&) = delete;

    // Once the window exists (its handle may come after construction).
    void SetMainWindow(HWindow mainWindow);
    // RegisterWindowMessageW("TaskbarCreated"), kept from start-up on.
    void SetTaskbarCreatedMsg(unsigned msg) { taskbarCreatedMsg_ = msg; }

    // One message of the main window. True when it was one of ours; false for every other
    // message, which gets the window's default processing ("TaskbarCreated" is handled and
    // still answers false). An exception that leaves a handler is shown in the general error
    // box and the program goes on; nothing leaves this function.
    bool HandleMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept;
    // Each time the GUI thread's message queue has run empty.
    void OnIdle() noexcept;

    // The phrase editor's New item (WM_NEW_PHRASE); may be unset.
    std::function<void()> NewPhrase;
    // Removes and re-adds the tray icon (after the shell restarted); may be unset.
    std::function<void()> ReAddTrayIcon;

    // Types a phrase chosen in the search window into target (the window that had the focus
    // before it), as an expansion of nothing: the keys typed meanwhile wait as for any other.
    void TypeChosenPhrase(std::u16string text, HWindow target);

    // The program control's shortcuts, pause and callbacks (ProgramControl.h).
    static constexpr int PauseShortcutId = ProgramControl::PauseShortcutId;
    static constexpr int SearchShortcutId = ProgramControl::SearchShortcutId;
    bool SetPauseShortcut(const Shortcut& shortcut) { return control_.SetPauseShortcut(shortcut); }
    bool SetSearchShortcut(const Shortcut& shortcut) {
        return control_.SetSearchShortcut(shortcut);
    }
    // The search shortcut was pressed; may be unset.
    std::function<void()> SearchRequested;
    // The registered message that carries a ControlCommand (in wParam) from a second start.
    void SetControlMsg(unsigned msg) { controlMsg_ = msg; }
    // Told whenever the pause begins or ends; may be unset.
    std::function<void(bool paused)> PauseChanged;
    // A second start asked this copy to end (-exit); may be unset.
    std::function<void()> ExitRequested;
    void SetPaused(bool paused) { control_.SetPaused(paused); }
    bool Paused() const { return control_.Paused(); }

    // The general error box for an exception in flight.
    void ShowException(std::exception_ptr error) noexcept;

    TrackingRecords& Tracking() { return tracking_; }
    lumora::EditKeys& EditKeys() { return editKeys_; }
    lumora::PhraseTyping& PhraseTyping() { return typing_; }
    PhraseExpansion& Expansion() { return expansion_; }
    ProgramControl& Control() { return control_; }

private:
    void HookChar(std::uintptr_t wParam, std::intptr_t lParam);
    void HookKey(std::uintptr_t wParam, std::intptr_t lParam);
    void HookMouse(std::uintptr_t wParam, std::intptr_t lParam);
    // A Backspace right after an expansion takes it back; true when it did.
    bool UndoExpansion(std::uint32_t report);
    // Anything but that Backspace leaves the expansion as it is.
    void KeepExpansion();
    void ControlCommandMessage(ControlCommand command);
    bool MainWindowShown();
    // The editing rules and the character intake; a match begins an expansion.
    void ObserveChar(char16_t ch, std::uint8_t vk, std::uint32_t report) override;
    void ObserveKey(std::uint8_t vk) override {
        if (!vk::IsModifierKey(vk)) KeepExpansion();
        editKeys_.HandleEditKey(vk, false);
    }

    Platform& platform_;
    MessageBoxes& boxes_;
    const Options& options_;
    HookLink& link_;
    TrackingRecords tracking_;
    lumora::PhraseTyping typing_;
    lumora::EditKeys editKeys_;
    CandidateSearch candidates_;
    ProgramControl control_;
    PhraseExpansion expansion_;
    // Where the character intake leaves a match, until it is handed to the expansion.
    std::optional<PendingExpansion> decided_;
    CharIntake charIntake_;
    unsigned taskbarCreatedMsg_ = 0;
    unsigned controlMsg_ = 0;
};

} // namespace lumora
