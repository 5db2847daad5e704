#pragma once
// Program control: whether Lumora acts on its own right now (the pause, the excluded programs)
// and the global shortcuts that pause it or open the search window.
#include "platform/Platform.h"
#include "platform/TrayNotices.h"
#include "platform/WindowMemo.h"
#include "settings/Options.h"
#include "settings/Shortcut.h"
#include "tracking/TrackingRecords.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

class ProgramControl {
public:
    // The options are owned by the caller and outlive this object; a changed list of excluded
    // programs counts from the next question on.
    ProgramControl(Platform& platform, TrayNotices& notices, TrackingRecords& tracking,
                   const Options& options);
    ProgramControl(const ProgramControl&) = delete;
    ProgramControl& operator=(const ProgramControl&) = delete;

    // Paused, nothing is observed or expanded. What is typed meanwhile is never known, so
    // every shadow text starts afresh when the pause begins or ends.
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }
    // Told whenever the pause begins or ends; may be unset.
    std::function<void(bool paused)> PauseChanged;
    // A second start's -pause, -resume or -toggle (an -exit is not ours: it changes nothing).
    void Apply(ControlCommand command);

    // Ids of the global shortcuts (WM_GLOBAL_SHORTCUT's wParam).
    static constexpr int PauseShortcutId = 1;
    static constexpr int SearchShortcutId = 2;
    // Register the shortcut that pauses and resumes, or the one that opens the search window
    // (empty: none), in place of the one before. One the system refuses (another program has
    // it) is said in a tray notice; false then.
    bool SetPauseShortcut(const Shortcut& shortcut);
    bool SetSearchShortcut(const Shortcut& shortcut);

    // Paused, or the target window belongs to an excluded program: its keys are neither
    // observed nor expanded (a withheld Enter or Tab still goes on).
    bool LeftAlone();
    // target (0: none) belongs to one of the excluded programs.
    bool IsExcludedWindow(HWindow target);
    // The program path of target's process (empty when unknown), asked of the system once per
    // window: a window's process does not change while it lives, and each asking is a round
    // trip to the system.
    std::u16string ProgramPath(HWindow target);
    // The options as they stand (the methods of output among them).
    const Options& CurrentOptions() const { return options_; }

private:
    bool SetShortcut(int id, const Shortcut& shortcut, const std::u16string& what);

    Platform& platform_;
    TrayNotices& notices_;
    TrackingRecords& tracking_;
    const Options& options_;
    bool paused_ = false;
    // The program behind the last window asked about, looked up once, not at every key.
    WindowMemo<std::u16string> program_;
};

} // namespace lumora
