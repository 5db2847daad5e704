#pragma once
// The main window's message intake: the hook library's reports, the program's own posted work
// and the shell's "TaskbarCreated" are decoded here and handed to the part that does the work.
#include "hook/HookLink.h"
#include "intake/CharIntake.h"
#include "intake/EditKeys.h"
#include "matching/CandidateSearch.h"
#include "output/ElevatedTargets.h"
#include "output/KeySynthesis.h"
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
#include <vector>

namespace lumora {

class AbbreviationIndex;

// The text the general error box shows for a message: "." appended unless it ends in "." or
// a character below it.
std::u16string ErrorBoxText(std::u16string_view message);

class EventIntake {
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

    // Ids of the global shortcuts (WM_GLOBAL_SHORTCUT's wParam).
    static constexpr int PauseShortcutId = 1;
    static constexpr int SearchShortcutId = 2;
    // Register the shortcut that pauses and resumes, or the one that opens the search window
    // (empty: none), in place of the one before. One the system refuses (another program has
    // it) is said in a tray notice; false then.
    bool SetPauseShortcut(const Shortcut& shortcut);
    bool SetSearchShortcut(const Shortcut& shortcut);
    // The search shortcut was pressed; may be unset.
    std::function<void()> SearchRequested;
    // The registered message that carries a ControlCommand (in wParam) from a second start.
    void SetControlMsg(unsigned msg) { controlMsg_ = msg; }
    // Told whenever the pause begins or ends; may be unset.
    std::function<void(bool paused)> PauseChanged;
    // A second start asked this copy to end (-exit); may be unset.
    std::function<void()> ExitRequested;

    // Paused, nothing is observed or expanded. What is typed meanwhile is never known, so
    // every shadow text starts afresh when the pause begins or ends.
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }

    // The general error box for an exception in flight.
    void ShowException(std::exception_ptr error) noexcept;

    TrackingRecords& Tracking() { return tracking_; }
    lumora::EditKeys& EditKeys() { return editKeys_; }
    lumora::PhraseTyping& PhraseTyping() { return typing_; }

private:
    bool SetShortcut(int id, const Shortcut& shortcut, const std::u16string& what);
    // A report that came after the one that decided an expansion, before the hook library
    // began to hold keys: it reached the target on its own.
    struct Slipped {
        enum class Kind { Char, Key, Mouse };
        Kind What = Kind::Char;
        char16_t Ch = 0;
        std::uint8_t Vk = 0;
        bool Extended = false;
        std::uint32_t Report = 0;
        std::int32_t X = 0, Y = 0;
        // In the target (false: erased by an expansion, or not typed yet, and waiting to be
        // typed again after the next one).
        bool InTarget = true;
    };

    void HookChar(std::uintptr_t wParam, std::intptr_t lParam);
    void HookKey(std::uintptr_t wParam, std::intptr_t lParam);
    void HookMouse(std::uintptr_t wParam, std::intptr_t lParam);
    void Holding(std::uintptr_t wParam);
    void Control(ControlCommand command);
    bool MainWindowShown();
    // The editing rules and the character intake; a match starts the hold and the expansion.
    void ObserveChar(char16_t ch, std::uint8_t vk, bool extended, std::uint32_t report);
    // A match was decided: waiting for the hook library to hold the keys after it.
    bool AwaitingHold() const { return pending_ && !holdConfirmed_; }
    void WaitForHold();
    // WM_EXPAND: every pending expansion, one after the other, then the held keys go.
    void RunExpansions();
    void Expand(const PendingExpansion& expansion, std::vector<Slipped>& slipped,
                std::optional<ReleasedModifiers>& released);
    // The expansion does not happen: what slipped past is observed as it was typed.
    void Abandon(std::vector<Slipped>& slipped);
    // Observes slipped reports from `from` on; true when one of them decided another
    // expansion (the rest then wait behind it).
    bool ObserveSlipped(std::vector<Slipped>& slipped, std::size_t from, bool retype);
    // Tells the hook library that every report up to the last is decided on.
    void ReleaseHold();
    // The expansion may erase and type where it was decided: not in a password field, nor in
    // a program that runs above us.
    bool MayTypeInto(const PendingExpansion& expansion);
    // Paused, or the target window belongs to an excluded program: its keys are neither
    // observed nor expanded (a withheld Enter or Tab still goes on).
    bool LeftAlone();
    bool IsExcludedWindow(HWindow target);

    Platform& platform_;
    MessageBoxes& boxes_;
    TrayNotices& notices_;
    HookLink& link_;
    const Options& options_;
    TrackingRecords tracking_;
    lumora::PhraseTyping typing_;
    lumora::EditKeys editKeys_;
    CandidateSearch search_;
    // The expansion a typed character decided on, until its WM_EXPAND is handled.
    std::optional<PendingExpansion> pending_;
    // The hook library has answered the pending expansion's hold.
    bool holdConfirmed_ = false;
    std::vector<Slipped> slipped_;
    std::uint32_t lastReport_ = 0; // the last report the intake has dealt with
    bool expanding_ = false;       // RunExpansions runs: the hook library holds the keys
    CharIntake charIntake_;
    ElevatedTargets elevated_;
    unsigned taskbarCreatedMsg_ = 0;
    unsigned controlMsg_ = 0;
    bool paused_ = false;
    // The last window asked about, so that the program behind it is looked up once, not at
    // every key; the thread tells a reused handle apart, the list a changed setting.
    struct ExclusionMemo {
        HWindow Window = 0;
        ThreadId Thread = 0;
        std::vector<std::u16string> Excluded;
        bool Answer = false;
    };
    std::optional<ExclusionMemo> exclusion_;
};

} // namespace lumora
