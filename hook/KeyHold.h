#pragma once
// The hook thread's side of an expansion: while the program types a phrase (and while it has
// not yet decided on an Enter or Tab that may complete an abbreviation), the user's keys are
// held back here, in order, and replayed afterwards as if typed then. Portable: lumora.dll
// feeds it the system's events and messages, the simulated desktop feeds it the tests'.
#include "hook/KeyDecider.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumora {

// Replayed events carry this in the high half of their extra information, and their place in
// the batch in the low half, so that the hook knows them when they come by.
constexpr std::uint64_t ReplayMarker = 0x4C4D525000000000ull;
constexpr bool IsReplayed(std::uint64_t extraInfo) {
    return (extraInfo & 0xFFFFFFFF00000000ull) == ReplayMarker;
}

// A program that has said nothing for this long since keys began to wait on it (and, during an
// expansion, typed nothing) is taken to hang: the held keys go to the applications without it,
// and its later verdicts on them are refused.
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
    // Room for this many held keys is reserved up front: the hook's callback does not allocate
    // while a user types fewer than that during one hold.
    static constexpr std::size_t ReservedKeys = 1024;

    explicit KeyHold(HookPort& port);

    // The key states to start from (also after the hooks were installed again).
    void Seed(const std::uint8_t keyStates[256]);

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
    // The user holds this key on the keyboard now (every real press and release counts, also
    // the ones held back).
    bool UserHolds(std::uint32_t vk) const { return vk < 256 && userDown_[vk]; }

private:
    struct Held {
        HookKeyEvent Event;
        HookDecision Decision; // as decided when the key was pressed
        std::uint32_t Seq = 0; // the number it was reported under; 0 while never reported
        bool Forced = false;   // let go by the watchdog: it passes without a verdict
        bool Restore = false;  // a key set back to the user's hand: no key of the user's
    };

    bool OnUserKey(const HookKeyEvent& e, KeyCharSource& chars, std::uint32_t now);
    bool OnReplayed(std::size_t index, std::uint32_t now);
    // A replayed key of the user's reached the applications.
    void Passed(const Held& h);
    // The presses and releases that set the modifiers back to what the user's hand holds, as
    // seen before the keys of the batch (an expansion released them, and may have failed to
    // let go of a Shift it pressed), and let go of any other key the expansion left down.
    void AppendModifierRestore();
    void Report(const HookDecision& d, Held* held);
    void TryReplay();
    bool VerdictPending() const;

    HookPort& port_;
    KeyDecider decider_;
    std::uint32_t lastSeq_ = 0;        // the last number reported
    std::uint32_t releasedUpTo_ = 0;   // the program has decided on every report up to this
    bool programHold_ = false;         // an expansion runs
    std::vector<Held> reheld_;         // replayed keys held again, older than held_
    std::vector<Held> held_;           // the user's keys held, in order
    std::vector<Held> flight_;         // the batch being replayed
    std::vector<HookKeyEvent> events_; // its events, as handed to the port
    bool inFlight_ = false;
    bool flightBlocked_ = false; // a key of the batch was held again: so are the rest
    bool pressPassed_[256] = {}; // presses that reached the applications: their releases pass
    // The key states the user's keys meet in the applications: while keys are held, as they
    // will be when these are replayed (after the program's typing and the modifiers set back
    // to the user's hand); otherwise the applications' own.
    std::uint8_t userKeys_[256] = {};
    bool userDown_[256] = {};    // the keys the user's hand holds
    bool userPassed_[256] = {};  // the user's keys as the applications got them so far
    bool appDown_[256] = {};     // the keys down for the applications (the user's and injected)
    bool expansionHeld_ = false; // an expansion ran since the keys were last let go
    bool escapeDropped_ = false;
    std::uint32_t waitingSince_ = 0;
    std::uint32_t letGoUpTo_ = 0; // reports up to this were let go without a verdict
};

} // namespace lumora
