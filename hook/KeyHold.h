#pragma once
// The hook thread's side of an expansion: while the program types a phrase (and while it has
// not yet decided on an Enter or Tab that may complete an abbreviation), the user's keys are
// held back here, in order, and replayed afterwards as if typed then. Portable: lumora.dll
// feeds it the system's events and messages, the simulated desktop feeds it the tests'.
#include "hook/KeyDecider.h"

#include <cstdint>
#include <vector>

namespace lumora {

// Replayed events carry this in the high half of their extra information, and their place in
// the batch in the low half, so that the hook knows them when they come by.
constexpr std::uint64_t ReplayMarker = 0x4C4D525000000000ull;
constexpr bool IsReplayed(std::uint64_t extraInfo) {
    return (extraInfo & 0xFFFFFFFF00000000ull) == ReplayMarker;
}

// A program that has said nothing for this long while keys wait on it is taken to hang: the
// held keys go to the applications without it.
constexpr std::uint32_t HoldWatchdogMs = 1000;

// Where the hook's reports and replays go: the program's main window, and the thread that
// injects replayed keys (the hook thread itself must not inject).
class HookPort {
public:
    virtual ~HookPort() = default;
    virtual void Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Injects the events in order, event i with ReplayMarker | i as extra information, and
    // then calls KeyHold::ReplayDone on the hook thread.
    virtual void Replay(const std::vector<HookKeyEvent>& events) = 0;
};

class KeyHold {
public:
    explicit KeyHold(HookPort& port) : port_(port) {}

    void Seed(const std::uint8_t keyStates[256]) { decider_.Seed(keyStates); }

    // One low-level key event; true when it must not reach the applications now. now is a
    // millisecond clock.
    bool OnKey(const HookKeyEvent& e, KeyCharSource& chars, std::uint32_t now);
    // WM_HOOK_HOLD and WM_HOOK_RELEASE from the program.
    void OnProgramMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam,
                          std::uint32_t now);
    // The replay thread has injected the batch.
    void ReplayDone(std::uint32_t now);
    // A regular tick: the watchdog.
    void OnTick(std::uint32_t now);

    // Keys are being held (or replayed) now.
    bool Holding() const;
    const std::uint8_t* KeyStates() const { return decider_.KeyStates(); }

private:
    struct Held {
        HookKeyEvent Event;
        HookDecision Decision; // as decided when the key was pressed
        std::uint32_t Seq = 0; // the number it was reported under; 0 while never reported
        bool Forced = false;   // let go by the watchdog: it passes without a verdict
    };

    bool OnReplayed(std::size_t index, std::uint32_t now);
    void Report(const HookDecision& d, Held* held);
    void TryReplay();
    bool VerdictPending() const;

    HookPort& port_;
    KeyDecider decider_;
    std::uint32_t lastSeq_ = 0;      // the last number reported
    std::uint32_t releasedUpTo_ = 0; // the program has decided on every report up to this
    bool programHold_ = false;       // an expansion runs
    std::vector<Held> reheld_;       // replayed keys held again, older than held_
    std::vector<Held> held_;         // the user's keys held, in order
    std::vector<Held> flight_;       // the batch being replayed
    bool inFlight_ = false;
    bool flightBlocked_ = false; // a key of the batch was held again: so are the rest
    bool pressPassed_[256] = {}; // presses that reached the applications: their releases pass
    bool escapeDropped_ = false;
    std::uint32_t waitingSince_ = 0;
};

} // namespace lumora
