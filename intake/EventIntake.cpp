// The event intake: decodes each message of the main window and routes it to the editing keys,
// the character intake, the expansion or the program control.
#include "intake/EventIntake.h"

#include "expansion/CaseFollowing.h"
#include "intake/ProgramMessages.h"
#include "platform/Error.h"
#include "platform/Utf.h"

#include <utility>

namespace lumora {

std::u16string ErrorBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.') text += u'.';
    return text;
}

EventIntake::EventIntake(Platform& platform, MessageBoxes& boxes, TrayNotices& notices,
                         HookLink& link, const Options& options, const AbbreviationIndex& index)
    : platform_(platform), boxes_(boxes), options_(options), link_(link),
      tracking_(platform.Windows, link.MainWindow), typing_(platform, tracking_),
      editKeys_(platform, link, tracking_, typing_), candidates_(index, options.Mode),
      control_(platform, notices, tracking_, options),
      expansion_(platform, notices, link, tracking_, typing_, control_, *this),
      charIntake_(tracking_, candidates_, editKeys_, decided_) {
    control_.PauseChanged = [this](bool paused) {
        if (PauseChanged) PauseChanged(paused);
    };
}

void EventIntake::SetMainWindow(HWindow mainWindow) {
    link_.MainWindow = mainWindow;
    tracking_.SetMainWindow(mainWindow);
}

void EventIntake::ControlCommandMessage(ControlCommand command) {
    if (command == ControlCommand::Exit) {
        if (ExitRequested) ExitRequested();
        return;
    }
    control_.Apply(command);
}

bool EventIntake::MainWindowShown() {
    return platform_.Windows.IsVisible(link_.MainWindow);
}

bool EventIntake::HandleMessage(unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam) noexcept {
    try {
        switch (msg) {
        case WM_HOOK_CHAR:
            HookChar(wParam, lParam);
            return true;
        case WM_HOOK_KEY:
            HookKey(wParam, lParam);
            return true;
        case WM_HOOK_MOUSE:
            HookMouse(wParam, lParam);
            return true;
        case WM_HOOK_HOLDING:
            expansion_.ConfirmHold(static_cast<std::uint32_t>(wParam), lParam != 0);
            return true;
        case WM_HOOK_LET_GO:
            expansion_.HoldLetGo(static_cast<std::uint32_t>(wParam));
            return true;
        case WM_HOOK_INPUT_REFUSED:
            expansion_.InputRefused();
            return true;
        case WM_NEW_PHRASE:
            if (NewPhrase) NewPhrase();
            return true;
        case WM_EXPAND:
            expansion_.ExpandPhrase();
            return true;
        case WM_GLOBAL_SHORTCUT:
            if (wParam == PauseShortcutId) {
                control_.SetPaused(!control_.Paused());
                return true;
            }
            // Asked for by name, the search window opens also while expansion is paused.
            if (wParam == SearchShortcutId && SearchRequested) {
                SearchRequested();
                return true;
            }
            return false;
        default:
            if (controlMsg_ != 0 && msg == controlMsg_) {
                ControlCommandMessage(static_cast<ControlCommand>(wParam));
                return true;
            }
            if (taskbarCreatedMsg_ != 0 && msg == taskbarCreatedMsg_ && ReAddTrayIcon)
                ReAddTrayIcon();
            return false;
        }
    } catch (...) {
        ShowException(std::current_exception());
        return true;
    }
}

void EventIntake::OnIdle() noexcept {
    try {
        tracking_.PurgeRecords();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

void EventIntake::HookChar(std::uintptr_t wParam, std::intptr_t lParam) {
    TrackingRecords::Event event(tracking_);
    const auto ch = static_cast<char16_t>(wParam & 0xFFFF);
    const auto vk = static_cast<std::uint8_t>(lParam & 0xFF);
    const std::uint32_t report = ReportNumber(lParam);
    if (expansion_.AwaitingHold()) {
        expansion_.Slipped({SlippedKey::Kind::Char, ch, vk, report});
        return;
    }
    expansion_.Dealt(report);
    if (!typing_.Active() && !MainWindowShown() && !control_.LeftAlone() &&
        !(ch == 8 && vk == vk::Back && UndoExpansion(report)))
        ObserveChar(ch, vk, report);
    // A withheld Enter or Tab waits in the hook library, with every key after it, for this
    // verdict: unless an expansion took it, it goes to the target now.
    if (IsWithheldKey(ch, vk) && !expansion_.Pending() && !expansion_.Running())
        expansion_.ReleaseHold();
}

bool EventIntake::UndoExpansion(std::uint32_t report) {
    ExpansionUndo& undo = expansion_.Undo();
    if (!undo.Armed()) return false;
    const KeyFlags keys = editKeys_.ReadKeyState();
    const HWindow target = tracking_.FindTargetWindow();
    std::optional<PendingExpansion> decided = undo.BackspacePressed(
        target, tracking_.FindFocusedControl(target), platform_.Time.TickCount());
    // Ctrl+Backspace erases a word, Shift+Backspace is the user's own: neither undoes.
    if (!decided || !options_.UndoWithBackspace || keys.Ctrl || keys.Shift || keys.Alt)
        return false;
    decided->Report = report;
    decided->CapsLock = keys.CapsLock;
    expansion_.Begin(std::move(*decided));
    return true;
}

void EventIntake::KeepExpansion() {
    expansion_.Undo().Disarm();
}

void EventIntake::ObserveChar(char16_t ch, std::uint8_t vk, std::uint32_t report) {
    TrackingRecords::Event event(tracking_);
    if (expansion_.Undo().TakeUndone()) charIntake_.KeepAbbreviationBefore();
    KeepExpansion();
    editKeys_.HandleEditKey(ch, true);
    // The control codes that keyboard shortcuts give (Ctrl+A is 1, Escape 27) end here; of
    // those below 32 only Backspace, Tab, line feed and Enter are typed text.
    if (ch < 32 && ch != 8 && ch != 9 && ch != 10 && ch != 13) return;
    charIntake_.HandleTypedChar(ch, vk, report);
    if (!decided_) return;
    PendingExpansion decided = std::move(*decided_);
    decided_.reset();
    if (options_.FollowCase)
        decided.Text = FollowCase(decided.Text, CaseOfTyped(decided.Typed, decided.Abbreviation));
    expansion_.Begin(std::move(decided));
}

void EventIntake::TypeChosenPhrase(std::u16string text, HWindow target) {
    if (expansion_.Pending() || expansion_.Running()) return; // one at a time
    PendingExpansion e;
    e.Text = std::move(text);
    e.Report = expansion_.LastReport();
    e.Target = target;
    e.Chosen = true;
    expansion_.Begin(std::move(e));
}

void EventIntake::HookKey(std::uintptr_t wParam, std::intptr_t lParam) {
    TrackingRecords::Event event(tracking_);
    const auto key = static_cast<std::uint16_t>(wParam & 0xFFFF);
    if (key == vk::Escape) typing_.Cancel();
    if (expansion_.AwaitingHold()) {
        expansion_.Slipped({SlippedKey::Kind::Key, 0, static_cast<std::uint8_t>(key & 0xFF),
                            ReportNumber(lParam)});
        return;
    }
    expansion_.Dealt(ReportNumber(lParam));
    if (!vk::IsModifierKey(static_cast<std::uint8_t>(key & 0xFF))) KeepExpansion();
    if (!control_.LeftAlone()) editKeys_.HandleEditKey(key, false);
}

void EventIntake::HookMouse(std::uintptr_t wParam, std::intptr_t lParam) {
    const auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));
    const auto y = static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam));
    if (expansion_.AwaitingHold()) {
        SlippedKey click{SlippedKey::Kind::Mouse};
        click.X = x;
        click.Y = y;
        expansion_.Slipped(click);
        return;
    }
    KeepExpansion();
    tracking_.ResetOnClick(x, y);
}

void EventIntake::ShowException(std::exception_ptr error) noexcept {
    std::u16string message;
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = Utf8ToUtf16(e.what());
    } catch (...) {
        message = u"Unknown error";
    }
    try {
        boxes_.ShowMessage(ErrorBoxText(message), u"Lumora", MessageBoxIcon::Error);
    } catch (...) {
        // Nowhere left to report to; the program goes on.
    }
}

} // namespace lumora
