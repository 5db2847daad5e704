#pragma once
// The main window's message intake: the hook library's reports, the program's own posted work
// and the shell's "TaskbarCreated" are decoded here and handed to the part that does the work.
#include "settings/ProgramState.h"
#include "matching/CandidateSearch.h"
#include "output/PhraseTyping.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "intake/CharIntake.h"
#include "intake/EditKeys.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace lumora {

class TDataStringList;

// The text the general error box shows for a message: "." appended unless it ends in "." or
// a character below it.
std::u16string ErrorBoxText(std::u16string_view message);

class TMain {
public:
    // The state and the phrase index are owned by the caller and outlive this object.
    TMain(Platform& platform, MessageBoxes& boxes, TProgramState& state,
          TDataStringList& phraseIndex);
    TMain(const TMain&) = delete;
    TMain& operator=(const TMain&) = delete;

    // Once the window exists (its handle may come after construction).
    void SetMainWindow(HWindow mainWindow);
    // RegisterWindowMessageW("TaskbarCreated"), kept from start-up on.
    void SetTaskbarCreatedMsg(unsigned msg) { fTaskbarCreatedMsg = msg; }

    // One message of the main window. True when it was one of ours; false for every other
    // message, which gets the window's default processing ("TaskbarCreated" is handled and
    // still answers false). An exception that leaves a handler is shown in the general error
    // box and the program goes on; nothing leaves this function.
    bool HandleMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept;
    // Each time the GUI thread's message queue has run empty.
    void ApplicationEventsIdle() noexcept;

    // The phrase editor's New item (WM_NEW_PHRASE); may be unset.
    std::function<void()> NewPhraseActExecute;
    // Removes and re-adds the tray icon (after the shell restarted); may be unset.
    std::function<void()> TrayIconReAdd;

    // The general error box for an exception in flight.
    void ShowException(std::exception_ptr error) noexcept;

    TTracking& Tracking() { return fTracking; }
    TEditKeys& EditKeys() { return fEditKeys; }
    TPhraseTyping& PhraseTyping() { return fTyping; }

private:
    void HookChar(std::uintptr_t wParam, std::intptr_t lParam);
    void HookKey(std::uintptr_t wParam);
    void HookMouse(std::uintptr_t wParam, std::intptr_t lParam);
    bool MainWindowShown();

    Platform& fPlatform;
    MessageBoxes& fBoxes;
    TProgramState& fState;
    TTracking fTracking;
    TEditKeys fEditKeys;
    TCandidateSearch fSearch;
    TCharIntake fCharIntake;
    TPhraseTyping fTyping;
    unsigned fTaskbarCreatedMsg = 0;
};

} // namespace lumora
