// The hook thread's side of an expansion: holds the user's keys in order and replays them.
#include "hook/KeyHold.h"

#include "hook/HookMessages.h"
#include "platform/VirtualKeys.h"

#include <algorithm>

namespace lumora {

namespace {

// The modifier keys an expansion releases, by the codes the low-level hook sees; the
// right-hand ones and the Windows keys are extended keys.
struct Modifier {
    std::uint8_t Vk;
    bool Extended;
};
constexpr Modifier Modifiers[] = {{vk::LShift, false},  {vk::RShift, false}, {vk::LControl, false},
                                  {vk::RControl, true}, {vk::LMenu, false},  {vk::RMenu, true},
                                  {vk::LWin, true},     {vk::RWin, true}};

} // namespace

KeyHold::KeyHold(HookPort& port) : port_(port) {
    for (auto* list : {&reheld_, &held_, &flight_})
        list->reserve(ReservedKeys);
    events_.reserve(ReservedKeys);
}

void KeyHold::Seed(const std::uint8_t keyStates[256]) {
    decider_.Seed(keyStates);
    std::copy_n(keyStates, 256, userKeys_);
    // Whatever is down now is taken as the user's, held and seen by the applications alike.
    for (int i = 0; i < 256; ++i)
        userDown_[i] = userPassed_[i] = appDown_[i] = (keyStates[i] & 0x80) != 0;
}

bool KeyHold::Holding() const {
    return programHold_ || inFlight_ || !reheld_.empty() || !held_.empty();
}

void KeyHold::Report(const HookDecision& d, Held* held) {
    if (d.Kind == HookDecision::Report::None) return;
    // One key may make several reports, each with a number of its own; the key goes by the
    // last.
    if (d.Forget) port_.Post(WM_HOOK_KEY, ForgetTextKey, CharReportParam(0, ++lastSeq_));
    if (d.Before != 0) port_.Post(WM_HOOK_CHAR, d.Before, CharReportParam(d.VkExt, ++lastSeq_));
    const std::uint32_t seq = ++lastSeq_;
    if (held) held->Seq = seq;
    if (d.Kind == HookDecision::Report::Char)
        port_.Post(WM_HOOK_CHAR, d.Code, CharReportParam(d.VkExt, seq));
    else
        port_.Post(WM_HOOK_KEY, d.Code, CharReportParam(0, seq));
}

bool KeyHold::OnKey(const HookKeyEvent& e, KeyCharSource& chars, std::uint32_t now) {
    const std::uint32_t vk = e.Vk & 0xFF;
    if (e.Injected && IsReplayed(e.ExtraInfo)) {
        const auto index = static_cast<std::size_t>(e.ExtraInfo & 0xFFFFFFFFu);
        if (inFlight_ && index < flight_.size() && flight_[index].Restore) {
            // A modifier set back to the user's hand: the key states follow it, or the next
            // letters would be read with a Shift that is no longer down.
            decider_.Track(e);
            appDown_[vk] = e.Down;
            return false;
        }
        const bool heldAgain = OnReplayed(index, now);
        if (!heldAgain) {
            // The user's key reaches the applications only now.
            decider_.Track(e);
            appDown_[vk] = e.Down;
        }
        return heldAgain;
    }
    if (e.Injected) {
        // A program typing: its keys are neither reported nor held, but they change the key
        // states (ours releases modifiers, for one). Only our own typing shows that the
        // program is alive.
        const bool ours = IsProgramTyping(e.ExtraInfo);
        if (programHold_ && ours) waitingSince_ = now;
        decider_.Track(e);
        appDown_[vk] = e.Down;
        // Another program's keys are still in effect when the held keys are replayed, but for
        // the modifiers, which are set back to the user's hand first. Ours are not: the Shift
        // of a capital is let go again, CapsLock set back as it was.
        if (!ours && !vk::IsModifierKey(static_cast<std::uint16_t>(vk)))
            TrackKey(userKeys_, vk, e.Down);
        return false;
    }
    userDown_[vk] = e.Down;
    const bool held = OnUserKey(e, chars, now);
    TrackKey(userKeys_, vk, e.Down);
    if (!held) {
        decider_.Track(e);
        appDown_[vk] = e.Down;
        userPassed_[vk] = e.Down;
    }
    return held;
}

bool KeyHold::OnUserKey(const HookKeyEvent& e, KeyCharSource& chars, std::uint32_t now) {
    const std::uint32_t vk = e.Vk & 0xFF;
    if (!Holding()) {
        // The applications have the keys as the user's hand does: a hold starting with this
        // key reads the ones after it from here.
        std::copy_n(decider_.KeyStates(), 256, userKeys_);
        HookDecision d = decider_.DecideWith(e, chars, userKeys_);
        if (d.Withhold && e.Down) {
            // Enter or Tab may complete an abbreviation: it waits for the program's verdict,
            // and the keys after it wait behind it. The watchdog's second starts now.
            waitingSince_ = now;
            held_.push_back({e, d, 0});
            Report(d, &held_.back());
            return true;
        }
        Report(d, nullptr);
        if (!e.Down && pressPassed_[vk]) {
            // Its press was held and has been replayed: the release follows it.
            pressPassed_[vk] = false;
            return false;
        }
        pressPassed_[vk] = e.Down && !d.Withhold;
        return d.Withhold;
    }
    if (!e.Down && pressPassed_[vk]) {
        // Its press reached the application: so does its release, or the key would stay down
        // there while the phrase is typed.
        pressPassed_[vk] = false;
        return false;
    }
    if (vk == vk::Escape && programHold_ && e.Down) {
        // Escape stops the typing-out; it is not replayed, nor is its release.
        escapeDropped_ = true;
        Report(HookDecision{HookDecision::Report::Key, vk::Escape, 0, false}, nullptr);
        return true;
    }
    if (vk == vk::Escape && !e.Down && escapeDropped_) {
        escapeDropped_ = false;
        return true;
    }
    // Decided now, reported when it is replayed: with the key states it meets then, which the
    // program's typing in between does not touch (its Shift for a capital, CapsLock switched
    // off), but the user's own keys do.
    held_.push_back({e, decider_.DecideWith(e, chars, userKeys_), 0});
    return true;
}

void KeyHold::Passed(const Held& h) {
    const std::uint32_t vk = h.Event.Vk & 0xFF;
    if (h.Restore) return;
    // A replayed key is the user's, now in the application: its press marks the release to
    // pass, its release takes the mark away (or the next hold would let a release pass before
    // its press).
    pressPassed_[vk] = h.Event.Down;
    userPassed_[vk] = h.Event.Down;
}

bool KeyHold::OnReplayed(std::size_t index, std::uint32_t now) {
    if (!inFlight_ || index >= flight_.size()) return false; // not ours (any more)
    Held& h = flight_[index];
    const bool decided = h.Seq != 0 && h.Seq <= releasedUpTo_;
    if (decided) {
        Passed(h);
        return false;
    }
    if (h.Forced) {
        if (h.Seq == 0) Report(h.Decision, &h);
        // Reported as it goes, without a verdict: too late for one now as well.
        letGoUpTo_ = std::max(letGoUpTo_, h.Seq);
        Passed(h);
        return false;
    }
    if (programHold_ || flightBlocked_) {
        // A new expansion began, or a key before this one waits again: behind it, in order.
        flightBlocked_ = true;
        reheld_.push_back(h);
        return true;
    }
    Report(h.Decision, &h);
    if (h.Event.Down && h.Decision.Withhold) {
        waitingSince_ = now;
        flightBlocked_ = true;
        reheld_.push_back(h);
        return true;
    }
    Passed(h);
    return false;
}

void KeyHold::OnProgramMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam,
                               std::uint32_t now) {
    const auto seq = static_cast<std::uint32_t>(wParam);
    if (msg == WM_HOOK_HOLD) {
        // The keys held from now on are read with the applications' key states as they are
        // before the program's typing.
        if (!Holding()) std::copy_n(decider_.KeyStates(), 256, userKeys_);
        if (letGoUpTo_ != 0 && seq <= letGoUpTo_ && (lParam & HoldChosen) == 0) {
            // The keys after that report went on without a verdict: erasing now would take
            // the wrong characters. One verdict, and it was the watchdog's.
            port_.Post(WM_HOOK_HOLDING, seq, 1);
            return;
        }
        waitingSince_ = now;
        programHold_ = true;
        expansionHeld_ = true;
        if (lParam & HoldTakesWithheld) {
            // The expansion types this Enter or Tab itself: it is not replayed.
            for (auto* list : {&reheld_, &held_}) {
                for (auto it = list->begin(); it != list->end(); ++it) {
                    if (it->Seq == seq && it->Event.Down) {
                        list->erase(it);
                        break;
                    }
                }
            }
        }
        port_.Post(WM_HOOK_HOLDING, seq, 0);
    } else if (msg == WM_HOOK_RELEASE) {
        waitingSince_ = now;
        programHold_ = false;
        if (seq > releasedUpTo_) releasedUpTo_ = seq;
        TryReplay();
    }
}

bool KeyHold::VerdictPending() const {
    const std::vector<Held>& first = reheld_.empty() ? held_ : reheld_;
    if (first.empty()) return false;
    const Held& h = first.front();
    return h.Seq != 0 && h.Seq > releasedUpTo_ && h.Event.Down && h.Decision.Withhold;
}

void KeyHold::AppendModifierRestore() {
    auto restore = [this](std::uint8_t vk, bool down, bool extended) {
        Held h;
        h.Event.Vk = vk;
        h.Event.Down = down;
        h.Event.Extended = extended;
        h.Restore = true;
        flight_.push_back(h);
    };
    for (const Modifier& m : Modifiers)
        if (userPassed_[m.Vk] != appDown_[m.Vk]) restore(m.Vk, userPassed_[m.Vk], m.Extended);
    // A key the expansion pressed and never let go (its injection refused halfway): up.
    for (int k = 1; k < 256; ++k) {
        const auto vk = static_cast<std::uint8_t>(k);
        if (vk == vk::Packet || vk::IsModifierKey(vk)) continue;
        if (appDown_[vk] && !userPassed_[vk]) restore(vk, false, false);
    }
}

void KeyHold::TryReplay() {
    if (inFlight_ || programHold_ || VerdictPending()) return;
    flight_.clear();
    // After an expansion the modifiers are set back to what the user's hand holds, before the
    // keys typed meanwhile go: a Ctrl held all along still makes their shortcut, a Shift let go
    // during the phrase is not pressed again.
    if (expansionHeld_) AppendModifierRestore();
    expansionHeld_ = false;
    if (reheld_.empty() && held_.empty() && flight_.empty()) return;
    flight_.insert(flight_.end(), reheld_.begin(), reheld_.end());
    reheld_.clear();
    flight_.insert(flight_.end(), held_.begin(), held_.end());
    held_.clear();
    inFlight_ = true;
    flightBlocked_ = false;
    events_.clear();
    for (const Held& h : flight_)
        events_.push_back(h.Event);
    port_.Replay(events_);
}

void KeyHold::ReplayDone(std::uint32_t now) {
    inFlight_ = false;
    flight_.clear();
    // What the batch reported is the program's to answer from now on.
    waitingSince_ = now;
    TryReplay();
}

void KeyHold::OnTick(std::uint32_t now) {
    if (inFlight_ || !Holding() || now - waitingSince_ < HoldWatchdogMs) return;
    // The program hangs (or has lost track): nothing held may stay stuck. Every waiting key is
    // replayed, Enter and Tab included, and the program is told, so that a verdict it reaches
    // later on these keys is dropped.
    programHold_ = false;
    releasedUpTo_ = lastSeq_;
    letGoUpTo_ = lastSeq_;
    for (auto* list : {&reheld_, &held_})
        for (Held& h : *list)
            h.Forced = true;
    port_.Post(WM_HOOK_LET_GO, lastSeq_, 0);
    TryReplay();
}

} // namespace lumora
