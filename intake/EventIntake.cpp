#include "intake/EventIntake.h"

#include "intake/ProgramMessages.h"
#include "output/KeySynthesis.h"
#include "platform/Error.h"
#include "platform/Utf.h"
#include "settings/Settings.h"

#include <utility>

namespace lumora {

namespace {

const std::u16string ApplicationTitle = u"Lumora";

// How long an expansion waits for the hook library to confirm its hold: the keys that slipped
// past before it began must all be known before anything is erased.
constexpr std::uint32_t HoldWaitMs = 500;

bool IsModifierKey(std::uint16_t key) {
    switch (key) {
    case vk::Shift:
    case vk::Control:
    case vk::Menu:
    case vk::LShift:
    case vk::RShift:
    case vk::LControl:
    case vk::RControl:
    case vk::LMenu:
    case vk::RMenu:
    case vk::LWin:
    case vk::RWin:
        return true;
    default:
        return false;
    }
}

} // namespace

std::u16string ErrorBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.') text += u'.';
    return text;
}

EventIntake::EventIntake(Platform& platform, MessageBoxes& boxes, TrayNotices& notices,
                         HookLink& link, const Options& options, const AbbreviationIndex& index)
    : platform_(platform), boxes_(boxes), notices_(notices), link_(link), options_(options),
      tracking_(platform.Windows, link.MainWindow), typing_(platform, tracking_),
      editKeys_(platform, link, tracking_, typing_), search_(index, options.Mode),
      charIntake_(tracking_, search_, editKeys_, pending_), elevated_(platform.Processes, notices) {
}

void EventIntake::SetMainWindow(HWindow mainWindow) {
    link_.MainWindow = mainWindow;
    tracking_.SetMainWindow(mainWindow);
}

void EventIntake::SetPaused(bool paused) {
    if (paused == paused_) return;
    paused_ = paused;
    // Emptied in place: a record held across an expansion's re-entry stays where it is.
    for (const auto& rec : tracking_.Records())
        TrackingRecords::ResetRecord(rec.get());
    if (PauseChanged) PauseChanged(paused_);
}

bool EventIntake::SetPauseShortcut(const Shortcut& shortcut) {
    return SetShortcut(PauseShortcutId, shortcut, u"pause");
}

bool EventIntake::SetSearchShortcut(const Shortcut& shortcut) {
    return SetShortcut(SearchShortcutId, shortcut, u"search");
}

bool EventIntake::SetShortcut(int id, const Shortcut& shortcut, const std::u16string& what) {
    platform_.Shortcuts.UnregisterShortcut(id);
    if (shortcut.Empty() ||
        platform_.Shortcuts.RegisterShortcut(id, shortcut.Modifiers, shortcut.Key))
        return true;
    notices_.ShowNotice(ApplicationTitle, u"The " + what + u" shortcut " +
                                              FormatShortcut(shortcut) +
                                              u" is taken by another program. Choose another "
                                              u"one in Options.");
    return false;
}

void EventIntake::Control(ControlCommand command) {
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
        if (ExitRequested) ExitRequested();
        break;
    case ControlCommand::None:
        break;
    }
}

bool EventIntake::LeftAlone() {
    return paused_ || IsExcludedWindow(tracking_.FindTargetWindow());
}

bool EventIntake::IsExcludedWindow(HWindow target) {
    if (options_.ExcludedPrograms.empty() || target == 0) return false;
    const ThreadId thread = platform_.Windows.WindowThread(target);
    if (!exclusion_ || exclusion_->Window != target || exclusion_->Thread != thread ||
        exclusion_->Excluded != options_.ExcludedPrograms) {
        exclusion_ = ExclusionMemo{
            target, thread, options_.ExcludedPrograms,
            IsExcludedProgram(options_.ExcludedPrograms, platform_.Processes.ProgramPath(target))};
    }
    return exclusion_->Answer;
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
            Holding(wParam);
            return true;
        case WM_NEW_PHRASE:
            if (NewPhrase) NewPhrase();
            return true;
        case WM_EXPAND:
            RunExpansions();
            return true;
        case WM_GLOBAL_SHORTCUT:
            if (wParam == PauseShortcutId) {
                SetPaused(!paused_);
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
                Control(static_cast<ControlCommand>(wParam));
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

bool EventIntake::MayTypeInto(const PendingExpansion& expansion) {
    const HWindow target = expansion.Target ? expansion.Target : tracking_.FindTargetWindow();
    // The control may have become a password field ("show password" unticked) since.
    if (platform_.Windows.IsPasswordField(expansion.Control)) return false;
    // Paused, or the user moved to an excluded program, since the match.
    if (!expansion.Chosen && (paused_ || IsExcludedWindow(target))) return false;
    return elevated_.MayTypeInto(target);
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
    const bool extended = ((lParam >> 8) & 0xFF) == 1;
    const std::uint32_t report = ReportNumber(lParam);
    if (AwaitingHold()) {
        slipped_.push_back({Slipped::Kind::Char, ch, vk, extended, report});
        return;
    }
    lastReport_ = report;
    if (!typing_.Active() && !MainWindowShown() && !LeftAlone()) {
        ObserveChar(ch, vk, extended, report);
    }
    // A withheld Enter or Tab waits in the hook library, with every key after it, for this
    // verdict: unless an expansion took it, it goes to the target now.
    if (IsWithheldKey(ch, vk) && !pending_ && !expanding_) ReleaseHold();
}

void EventIntake::ObserveChar(char16_t ch, std::uint8_t vk, bool extended, std::uint32_t report) {
    TrackingRecords::Event event(tracking_);
    const bool hadPending = pending_.has_value();
    editKeys_.HandleEditKey(ch, true);
    // The control codes that keyboard shortcuts give (Ctrl+A is 1, Escape 27) end here; of
    // those below 32 only Backspace, Tab, line feed and Enter are typed text.
    if (ch < 32 && ch != 8 && ch != 9 && ch != 10 && ch != 13) return;
    charIntake_.HandleTypedChar(ch, vk, extended, report);
    if (hadPending || !pending_) return;
    // A match: from here on the hook library holds the user's keys until the phrase is typed.
    // An Escape from now on stops this expansion.
    typing_.ClearCancel();
    platform_.Messages.PostThreadMessage(link_.HookThread, WM_HOOK_HOLD, report,
                                         pending_->TrailWithheld ? 1 : 0);
    // Decided while expansions run: the hook holds already, nothing can slip past.
    holdConfirmed_ = expanding_ || link_.HookThread == 0;
    platform_.Messages.PostMessage(link_.MainWindow, WM_EXPAND, 0, 0);
}

void EventIntake::TypeChosenPhrase(std::u16string text, HWindow target) {
    if (pending_ || expanding_) return; // one at a time
    PendingExpansion e;
    e.Text = std::move(text);
    e.Report = lastReport_;
    e.Target = target;
    e.Chosen = true;
    pending_ = std::move(e);
    typing_.ClearCancel();
    platform_.Messages.PostThreadMessage(link_.HookThread, WM_HOOK_HOLD, lastReport_, 0);
    holdConfirmed_ = link_.HookThread == 0;
    platform_.Messages.PostMessage(link_.MainWindow, WM_EXPAND, 0, 0);
}

void EventIntake::HookKey(std::uintptr_t wParam, std::intptr_t lParam) {
    TrackingRecords::Event event(tracking_);
    const auto key = static_cast<std::uint16_t>(wParam & 0xFFFF);
    if (key == vk::Escape) typing_.Cancel();
    if (AwaitingHold()) {
        slipped_.push_back({Slipped::Kind::Key, 0, static_cast<std::uint8_t>(key & 0xFF), false,
                            ReportNumber(lParam)});
        return;
    }
    lastReport_ = ReportNumber(lParam);
    if (!LeftAlone()) editKeys_.HandleEditKey(key, false);
}

void EventIntake::HookMouse(std::uintptr_t wParam, std::intptr_t lParam) {
    const auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));
    const auto y = static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam));
    if (AwaitingHold()) {
        Slipped click{Slipped::Kind::Mouse};
        click.X = x;
        click.Y = y;
        slipped_.push_back(click);
        return;
    }
    tracking_.ResetOnClick(x, y);
}

void EventIntake::Holding(std::uintptr_t wParam) {
    if (pending_ && pending_->Report == static_cast<std::uint32_t>(wParam)) holdConfirmed_ = true;
}

void EventIntake::WaitForHold() {
    const std::uint32_t start = platform_.Time.TickCount();
    while (AwaitingHold() &&
           static_cast<std::uint32_t>(platform_.Time.TickCount() - start) < HoldWaitMs) {
        platform_.Time.Sleep(1);
        platform_.Messages.ProcessPendingMessages();
    }
}

void EventIntake::ReleaseHold() {
    if (link_.HookThread == 0) return;
    platform_.Messages.PostThreadMessage(link_.HookThread, WM_HOOK_RELEASE, lastReport_, 0);
}

void EventIntake::RunExpansions() {
    // Handled again inside an expansion's injections: the running one takes what is pending.
    if (expanding_ || !pending_) return;
    expanding_ = true;
    // Whatever happens below, the held keys go to the target at the end, after the modifiers
    // are pressed again.
    struct Release {
        EventIntake& intake;
        ~Release() {
            intake.expanding_ = false;
            try {
                intake.ReleaseHold();
            } catch (...) {
            }
        }
    } release{*this};
    auto hold = tracking_.HoldRecords();
    TrackingRecords::Event fresh(tracking_, false);
    std::optional<ReleasedModifiers> released;
    while (pending_) {
        WaitForHold();
        const PendingExpansion expansion = std::move(*pending_);
        pending_.reset();
        holdConfirmed_ = false;
        std::vector<Slipped> slipped = std::exchange(slipped_, {});
        Expand(expansion, slipped, released);
    }
}

void EventIntake::Expand(const PendingExpansion& expansion, std::vector<Slipped>& slipped,
                         std::optional<ReleasedModifiers>& released) {
    // What slipped past can be erased and typed again only if each of it typed one character
    // where the caret stood; a key that moved the caret, edited or ran a command, or a click,
    // leaves the abbreviation alone.
    std::int32_t typedAfter = 0;
    for (const Slipped& s : slipped) {
        const bool safe = (s.What == Slipped::Kind::Char &&
                           ((s.Ch >= 32 && s.Ch != 127) || IsWithheldKey(s.Ch, s.Vk))) ||
                          (s.What == Slipped::Kind::Key && IsModifierKey(s.Vk));
        if (!safe) return Abandon(slipped);
        if (s.What == Slipped::Kind::Char && s.InTarget && !IsWithheldKey(s.Ch, s.Vk)) ++typedAfter;
    }
    bool typed = false;
    {
        PhraseTyping::ActiveScope active(typing_);
        // Checked before the target is brought back and anything erased.
        if (!typing_.Canceled() && MayTypeInto(expansion) && typing_.ReadyTarget(expansion)) {
            if (!released) released.emplace(platform_);
            // The shadow text has the abbreviation and its trail, not yet what slipped past.
            const auto observed =
                static_cast<std::int32_t>(expansion.Abbreviation.size() +
                                          (expansion.TrailWithheld ? 0 : expansion.Trail.size()));
            typing_.Erase(observed + typedAfter, observed);
            typing_.TypeText(expansion.Text, expansion.Trail, expansion.CapsLock);
            typed = true;
        }
    }
    if (!typed) return Abandon(slipped);
    // The keys typed after the abbreviation follow the phrase, as typed then.
    ObserveSlipped(slipped, 0, true);
}

void EventIntake::Abandon(std::vector<Slipped>& slipped) {
    for (Slipped& s : slipped)
        s.InTarget = true;
    ObserveSlipped(slipped, 0, false);
}

bool EventIntake::ObserveSlipped(std::vector<Slipped>& slipped, std::size_t from, bool retype) {
    for (std::size_t i = from; i < slipped.size(); ++i) {
        const Slipped& s = slipped[i];
        lastReport_ = std::max(lastReport_, s.Report);
        switch (s.What) {
        case Slipped::Kind::Char:
            // A withheld Enter or Tab is still in the hook library: it goes with the release.
            if (retype && !IsWithheldKey(s.Ch, s.Vk)) typing_.TypeAgain(std::u16string(1, s.Ch));
            ObserveChar(s.Ch, s.Vk, s.Extended, s.Report);
            break;
        case Slipped::Kind::Key:
            editKeys_.HandleEditKey(s.Vk, false);
            break;
        case Slipped::Kind::Mouse:
            tracking_.ResetOnClick(s.X, s.Y);
            break;
        }
        if (pending_) {
            // Another abbreviation: it is expanded first, and the rest waits behind it.
            for (std::size_t j = i + 1; j < slipped.size(); ++j) {
                slipped_.push_back(slipped[j]);
                if (retype) slipped_.back().InTarget = false;
            }
            return true;
        }
    }
    return false;
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
        boxes_.ShowMessage(ErrorBoxText(message), ApplicationTitle, MessageBoxIcon::Error);
    } catch (...) {
        // Nowhere left to report to; the program goes on.
    }
}

} // namespace lumora
