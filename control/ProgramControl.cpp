// Program control: keeps the pause, registers the global shortcuts and tells the windows of
// excluded programs apart.
#include "control/ProgramControl.h"

#include "settings/Settings.h"

namespace lumora {

ProgramControl::ProgramControl(Platform& platform, TrayNotices& notices, TrackingRecords& tracking,
                               const Options& options)
    : platform_(platform), notices_(notices), tracking_(tracking), options_(options) {}

void ProgramControl::SetPaused(bool paused) {
    if (paused == paused_) return;
    paused_ = paused;
    // Emptied in place: a record held across an expansion's re-entry stays where it is.
    for (const auto& rec : tracking_.Records())
        TrackingRecords::ResetRecord(rec.get());
    if (PauseChanged) PauseChanged(paused_);
}

void ProgramControl::Apply(ControlCommand command) {
    switch (command) {
    case ControlCommand::Pause:
        SetPaused(true);
        break;
    case ControlCommand::Resume:
        SetPaused(false);
        break;
    case ControlCommand::Toggle:
        SetPaused(!paused_);
        break;
    case ControlCommand::Exit:
    case ControlCommand::None:
        break;
    }
}

bool ProgramControl::SetPauseShortcut(const Shortcut& shortcut) {
    return SetShortcut(PauseShortcutId, shortcut, u"pause");
}

bool ProgramControl::SetSearchShortcut(const Shortcut& shortcut) {
    return SetShortcut(SearchShortcutId, shortcut, u"search");
}

bool ProgramControl::SetShortcut(int id, const Shortcut& shortcut, const std::u16string& what) {
    platform_.Shortcuts.UnregisterShortcut(id);
    if (shortcut.Empty() ||
        platform_.Shortcuts.RegisterShortcut(id, shortcut.Modifiers, shortcut.Key))
        return true;
    notices_.ShowNotice(u"Lumora", u"The " + what + u" shortcut " + FormatShortcut(shortcut) +
                                       u" is taken by another program. Choose another one in "
                                       u"Options.");
    return false;
}

bool ProgramControl::LeftAlone() {
    return paused_ || IsExcludedWindow(tracking_.FindTargetWindow());
}

bool ProgramControl::IsExcludedWindow(HWindow target) {
    if (options_.ExcludedPrograms.empty() || target == 0) return false;
    return IsExcludedProgram(options_.ExcludedPrograms, ProgramPath(target));
}

std::u16string ProgramControl::ProgramPath(HWindow target) {
    if (target == 0) return {};
    return program_.Get(platform_.Windows, target,
                        [&] { return platform_.Processes.ProgramPath(target); });
}

} // namespace lumora
