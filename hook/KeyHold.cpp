// The hook thread's side of an expansion: holds the user's keys in order and replays them.
#include "hook/KeyHold.h"

#include "hook/HookMessages.h"
#include "platform/VirtualKeys.h"

namespace lumora {

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
    if (e.Injected && IsReplayed(e.ExtraInfo))
        return OnReplayed(static_cast<std::size_t>(e.ExtraInfo & 0xFFFFFFFFu), now);
    if (e.Injected) {
        // The program typing: it is alive. Its keys are neither reported nor held, but they
        // change the key states (it releases modifiers, for one).
        waitingSince_ = now;
        decider_.Decide(e, chars);
        return false;
    }
    const std::uint32_t vk = e.Vk & 0xFF;
    if (!Holding()) {
        HookDecision d = decider_.Decide(e, chars);
        if (d.Withhold && e.Down) {
            // Enter or Tab may complete an abbreviation: it waits for the program's verdict,
            // and the keys after it wait behind it.
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
        decider_.Decide(e, chars);
        return false;
    }
    if (vk == vk::Escape && programHold_ && e.Down) {
        // Escape stops the typing-out; it is not replayed, nor is its release.
        escapeDropped_ = true;
        decider_.Decide(e, chars);
        Report(HookDecision{HookDecision::Report::Key, vk::Escape, 0, false}, nullptr);
        return true;
    }
    if (vk == vk::Escape && !e.Down && escapeDropped_) {
        escapeDropped_ = false;
        decider_.Decide(e, chars);
        return true;
    }
    // Decided now, with the key states of now; reported when it is replayed.
    held_.push_back({e, decider_.Decide(e, chars), 0});
    return true;
}

bool KeyHold::OnReplayed(std::size_t index, std::uint32_t now) {
    if (!inFlight_ || index >= flight_.size()) return false; // not ours (any more)
    Held& h = flight_[index];
    const bool decided = h.Seq != 0 && h.Seq <= releasedUpTo_;
    if (decided) {
        if (h.Event.Down) pressPassed_[h.Event.Vk & 0xFF] = true;
        return false;
    }
    if (h.Forced) {
        if (h.Seq == 0) Report(h.Decision, &h);
        if (h.Event.Down) pressPassed_[h.Event.Vk & 0xFF] = true;
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
    if (h.Event.Down) pressPassed_[h.Event.Vk & 0xFF] = true;
    return false;
}

void KeyHold::OnProgramMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam,
                               std::uint32_t now) {
    waitingSince_ = now;
    const auto seq = static_cast<std::uint32_t>(wParam);
    if (msg == WM_HOOK_HOLD) {
        programHold_ = true;
        if (lParam != 0) {
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

void KeyHold::TryReplay() {
    if (inFlight_ || programHold_ || VerdictPending()) return;
    if (reheld_.empty() && held_.empty()) return;
    flight_ = std::move(reheld_);
    reheld_.clear();
    flight_.insert(flight_.end(), held_.begin(), held_.end());
    held_.clear();
    inFlight_ = true;
    flightBlocked_ = false;
    std::vector<HookKeyEvent> events;
    events.reserve(flight_.size());
    for (const Held& h : flight_)
        events.push_back(h.Event);
    port_.Replay(events);
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
    // replayed, Enter and Tab included.
    programHold_ = false;
    releasedUpTo_ = lastSeq_;
    for (auto* list : {&reheld_, &held_})
        for (Held& h : *list)
            h.Forced = true;
    TryReplay();
}

} // namespace lumora
