// The expansion: holds the user's keys, erases the abbreviation, types the phrase, types again
// what slipped past, and releases the held keys.
#include "expansion/PhraseExpansion.h"

#include "output/FieldFilling.h"
#include "platform/Error.h"

#include <algorithm>
#include <utility>

namespace lumora {

namespace {

// How long an expansion waits for the hook library to confirm its hold: the keys that slipped
// past before it began must all be known before anything is erased.
constexpr std::uint32_t HoldWaitMs = 500;

} // namespace

PhraseExpansion::PhraseExpansion(Platform& platform, TrayNotices& notices, HookLink& link,
                                 TrackingRecords& tracking, PhraseTyping& typing,
                                 ProgramControl& control, SlippedKeysObserver& observer)
    : platform_(platform), notices_(notices), link_(link), tracking_(tracking), typing_(typing),
      control_(control), observer_(observer),
      elevated_(platform.Windows, platform.Processes, notices),
      paste_(platform, tracking, notices) {}

void PhraseExpansion::Begin(PendingExpansion expansion) {
    // The program is ending: the abbreviation stays as typed, and its keys go with the rest.
    if (ending_) return;
    const bool waiting = pending_.has_value();
    pending_ = std::move(expansion);
    if (waiting) return;
    // From here on the hook library holds the user's keys until the phrase is typed. An Escape
    // from now on stops this expansion.
    typing_.ClearCancel();
    if (link_.Requests)
        link_.Requests->Hold(pending_->Report, (pending_->TrailWithheld ? HoldTakesWithheld : 0) |
                                                   (pending_->Chosen ? HoldChosen : 0));
    // Decided while expansions run: the hook holds already, nothing can slip past.
    holdConfirmed_ = running_ || !link_.Requests;
    platform_.Messages.PostMessage(link_.MainWindow, WM_EXPAND, 0, 0);
}

void PhraseExpansion::ConfirmHold(std::uint32_t report, bool refused) {
    if (refused) HoldLetGo(report);
    if (pending_ && pending_->Report == report) holdConfirmed_ = true;
}

void PhraseExpansion::HoldLetGo(std::uint32_t report) {
    if (!letGo_ || report > letGoUpTo_) ++holdsLetGo_;
    letGo_ = true;
    letGoUpTo_ = std::max(letGoUpTo_, report);
}

bool PhraseExpansion::TooLate(const PendingExpansion& expansion) const {
    // A phrase chosen by name erases nothing the user typed.
    return letGo_ && !expansion.Chosen && expansion.Report <= letGoUpTo_;
}

void PhraseExpansion::WaitForHold() {
    const std::uint32_t start = platform_.Time.TickCount();
    while (AwaitingHold() &&
           static_cast<std::uint32_t>(platform_.Time.TickCount() - start) < HoldWaitMs) {
        // The hook library's answer is a posted message: taken as it comes.
        platform_.Messages.WaitForMessages(1);
        platform_.Messages.ProcessPendingMessages();
    }
}

void PhraseExpansion::ReleaseHold() {
    if (link_.Requests) link_.Requests->Release(lastReport_);
}

bool PhraseExpansion::StopForExit() {
    ending_ = true;
    typing_.Cancel();
    if (pending_) {
        pending_.reset();
        // Its WM_EXPAND will find nothing to do: the hold it asked for goes now.
        if (!running_) ReleaseHold();
    }
    return running_;
}

void PhraseExpansion::Tell(const std::u16string& text) {
    // Once: the same reason again (the abbreviation tried at each key while the clipboard
    // stays held) is not news.
    if (text == told_) return;
    told_ = text;
    notices_.ShowNotice(u"Lumora", text);
}

void PhraseExpansion::ExpandPhrase() {
    // Handled again inside an expansion's injections: the running one takes what is pending.
    if (running_ || !pending_) return;
    running_ = true;
    // Whatever happens below, the held keys go to the target at the end, after the modifiers
    // are pressed again.
    struct Release {
        PhraseExpansion& expansion;
        ~Release() {
            expansion.running_ = false;
            try {
                expansion.ReleaseHold();
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
        std::vector<SlippedKey> slipped = std::exchange(slipped_, {});
        try {
            Expand(expansion, slipped, released);
        } catch (const lumora::InputRefused&) {
            // Part of the phrase, or of the Backspaces, never arrived: typing on would put the
            // rest in the wrong place. What the field holds is not known any more; the held
            // keys go (the guard above), and the user hears of it.
            pending_.reset();
            slipped_.clear();
            if (TrackingRecord* rec = tracking_.CurrentRecord()) {
                rec->Text.clear();
                rec->Pos = rec->SelStart = rec->SelCount = 0;
            }
            InputRefused();
        }
    }
}

void PhraseExpansion::InputRefused() {
    Tell(u"Windows did not take all the keys Lumora typed (another desktop was shown, or the "
         u"window runs above Lumora), so the phrase was stopped. Check the text where you were "
         u"typing.");
}

bool PhraseExpansion::MayTypeInto(const PendingExpansion& expansion) {
    const HWindow target = expansion.Target ? expansion.Target : tracking_.FindTargetWindow();
    // The control may have become a password field ("show password" unticked) since.
    if (platform_.Windows.IsPasswordField(expansion.Control)) return false;
    // Paused, or the user moved to an excluded program, since the match.
    if (!expansion.Chosen && (control_.Paused() || control_.IsExcludedWindow(target))) return false;
    return elevated_.MayTypeInto(target);
}

void PhraseExpansion::Expand(const PendingExpansion& expansion, std::vector<SlippedKey>& slipped,
                             std::optional<ReleasedModifiers>& released) {
    // What slipped past can be erased and typed again only if each of it typed one character
    // where the caret stood; a key that moved the caret, edited or ran a command, or a click,
    // leaves the abbreviation alone.
    std::int32_t typedAfter = 0;
    for (const SlippedKey& s : slipped) {
        const bool safe = (s.What == SlippedKey::Kind::Char &&
                           ((s.Ch >= 32 && s.Ch != 127) || IsWithheldKey(s.Ch, s.Vk))) ||
                          (s.What == SlippedKey::Kind::Key && vk::IsModifierKey(s.Vk));
        if (!safe) return Abandon(slipped);
        if (s.What == SlippedKey::Kind::Char && s.InTarget && !IsWithheldKey(s.Ch, s.Vk))
            ++typedAfter;
    }
    bool typed = false;
    bool leftTarget = false;
    {
        PhraseTyping::ActiveScope active(typing_);
        // The fields before anything is erased: a clipboard that stays held leaves the
        // abbreviation as it is, and the keys typed meanwhile stay held, behind the phrase.
        std::optional<FilledPhrase> filled;
        if (!typing_.Canceled() && !TooLate(expansion) && MayTypeInto(expansion)) {
            filled = FillPhrase(platform_, tracking_.MainWindow(), expansion.Text, expansion.Trail);
            if (!filled->Prepared && !typing_.Canceled()) Tell(filled->Failure);
        }
        // Checked before the target is brought back and anything erased, and again after: an
        // Escape handled while the target or the clipboard was waited for leaves the
        // abbreviation too.
        if (filled && filled->Prepared && !typing_.Canceled() && !TooLate(expansion) &&
            typing_.ReadyTarget(expansion) && !typing_.Canceled() && !TooLate(expansion)) {
            if (!released) released.emplace(platform_, link_.Requests != nullptr);
            if (expansion.Undoes != 0) {
                // The user's Backspace took the phrase's last character from the target, but
                // not from the shadow text.
                typing_.Erase(expansion.Undoes - 1 + typedAfter, expansion.Undoes);
                typing_.TypeExactly(expansion.Text + expansion.Trail, expansion.CapsLock);
                undo_.Undone();
            } else {
                // The shadow text has the abbreviation and its trail, not yet what slipped
                // past.
                const auto observed = static_cast<std::int32_t>(
                    expansion.Abbreviation.size() +
                    (expansion.TrailWithheld ? 0 : expansion.Trail.size()));
                // A pasted phrase is not taken back, nor one followed by keys that slipped past.
                // ReadyTarget has just found the expansion's window in front: it is not looked
                // for again.
                if (PutPhrase(*filled->Prepared, expansion.CapsLock, observed + typedAfter,
                              observed,
                              expansion.Target ? expansion.Target : tracking_.FindTargetWindow()) &&
                    slipped.empty())
                    undo_.ExpansionTyped(expansion, typing_.LastTyped(),
                                         tracking_.FindTargetWindow(),
                                         tracking_.FindFocusedControl(tracking_.FindTargetWindow()),
                                         platform_.Time.TickCount());
                else
                    undo_.Disarm();
            }
            typed = true;
            leftTarget = typing_.LeftTarget();
        }
    }
    if (!typed) {
        if (TooLate(expansion)) {
            ++abandonedLate_;
            // The Enter or Tab that completed it went to the target without a verdict.
            if (expansion.TrailWithheld) MirrorLetGoTrail(expansion.Trail);
        }
        return Abandon(slipped);
    }
    if (leftTarget) {
        // The user went to another window or field: nothing more is typed anywhere (what
        // slipped past goes unrepeated), and the user learns why the phrase is cut short.
        Tell(u"The focus moved to another window, so Lumora stopped typing the phrase there. "
             u"What was typed of it stays where it began.");
        ObserveSlipped(slipped, false);
        return;
    }
    told_.clear();
    // The keys typed after the abbreviation follow the phrase, as typed then.
    ObserveSlipped(slipped, true);
}

void PhraseExpansion::MirrorLetGoTrail(const std::u16string& trail) {
    TrackingRecord* rec = tracking_.CurrentRecord();
    if (!rec) return;
    const auto caret = static_cast<std::size_t>(
        std::clamp<std::int32_t>(rec->Pos, 0, static_cast<std::int32_t>(rec->Text.size())));
    rec->Text.insert(caret, trail);
    rec->Pos = static_cast<std::int32_t>(caret + trail.size());
}

bool PhraseExpansion::PutPhrase(const PhraseTyping::PreparedText& text, bool capsLock,
                                std::int32_t erase, std::int32_t eraseInShadow, HWindow target) {
    const OutputMethod method =
        ChooseOutputMethod(control_.CurrentOptions(), control_.ProgramPath(target),
                           IsConsole(target), text.Text.size());
    PhrasePaste::Result pasted = PhrasePaste::Result::NotOffered;
    if (method == OutputMethod::Paste || method == OutputMethod::PasteShiftInsert)
        pasted = paste_.Paste(text, target, method == OutputMethod::PasteShiftInsert, erase,
                              eraseInShadow);
    if (pasted == PhrasePaste::Result::Pasted) return false;
    // Typed: the abbreviation is erased first, unless the paste that was tried did it.
    if (pasted == PhrasePaste::Result::NotOffered) typing_.Erase(erase, eraseInShadow);
    typing_.SetKeyDelay(method == OutputMethod::TypeSlowly ? SlowKeyDelayMs : 0);
    typing_.TypePrepared(text, capsLock);
    typing_.SetKeyDelay(0);
    return true;
}

bool PhraseExpansion::IsConsole(HWindow target) {
    return console_.Get(platform_.Windows, target,
                        [&] { return IsConsoleWindow(platform_, target); });
}

void PhraseExpansion::Abandon(std::vector<SlippedKey>& slipped) {
    undo_.Disarm();
    for (SlippedKey& s : slipped)
        s.InTarget = true;
    ObserveSlipped(slipped, false);
}

void PhraseExpansion::ObserveSlipped(std::vector<SlippedKey>& slipped, bool retype) {
    for (std::size_t i = 0; i < slipped.size(); ++i) {
        const SlippedKey& s = slipped[i];
        lastReport_ = std::max(lastReport_, s.Report);
        switch (s.What) {
        case SlippedKey::Kind::Char:
            // A withheld Enter or Tab is still in the hook library: it goes with the release.
            if (retype && !IsWithheldKey(s.Ch, s.Vk)) typing_.TypeAgain(std::u16string(1, s.Ch));
            observer_.ObserveChar(s.Ch, s.Vk, s.Report);
            break;
        case SlippedKey::Kind::Key:
            observer_.ObserveKey(s.Vk);
            break;
        case SlippedKey::Kind::Mouse:
            tracking_.ResetOnClick(s.X, s.Y);
            break;
        }
        if (pending_) {
            // Another abbreviation: it is expanded first, and the rest waits behind it.
            for (std::size_t j = i + 1; j < slipped.size(); ++j) {
                slipped_.push_back(slipped[j]);
                if (retype) slipped_.back().InTarget = false;
            }
            return;
        }
    }
}

} // namespace lumora
