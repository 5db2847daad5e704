#pragma once
// Keeps the hook library's hooks in. Windows removes a low-level hook without telling its owner
// when one of its calls is slow, and hooks can be lost across sleep and a locked session: the
// hooks are installed again after resume and unlock, and when the session has had input that
// the hooks did not see for several seconds.
#include "hook/HookLink.h"
#include "platform/Platform.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <optional>

namespace lumora {

// The main window's timer asks this often while the session has input, and WatchdogIdleMs
// while it has none: a loss is noticed at the first input after it.
constexpr std::uint32_t WatchdogIntervalMs = 1000;
constexpr std::uint32_t WatchdogIdleMs = 5000;
// Input unseen by the hooks for this long means they are gone. After a re-install that did not
// bring them back (input for an elevated window or another desktop, which they never see), the
// wait doubles, up to HookSilenceMaxMs.
constexpr std::uint32_t HookSilenceMs = 3000;
constexpr std::uint32_t HookSilenceMaxMs = 60000;
// The session's input tick and the hooks' may differ by this much without meaning anything.
constexpr std::uint32_t HookClockSlackMs = 1000;

// The messages that tell of resume and unlock, under names of our own (<windows.h> has the
// system's).
namespace power {
constexpr unsigned PowerBroadcastMsg = 0x0218;   // WM_POWERBROADCAST
constexpr std::uintptr_t ResumeSuspend = 0x7;    // PBT_APMRESUMESUSPEND
constexpr std::uintptr_t ResumeAutomatic = 0x12; // PBT_APMRESUMEAUTOMATIC
constexpr unsigned SessionChangeMsg = 0x02B1;    // WM_WTSSESSION_CHANGE
constexpr std::uintptr_t ConsoleConnect = 0x1;   // WTS_CONSOLE_CONNECT
constexpr std::uintptr_t RemoteConnect = 0x3;    // WTS_REMOTE_CONNECT
constexpr std::uintptr_t SessionUnlock = 0x8;    // WTS_SESSION_UNLOCK
} // namespace power

class HookWatchdog {
public:
    HookWatchdog(Platform& platform, const HookLink& link, HookActivity& hook,
                 TrackingRecords& tracking);
    HookWatchdog(const HookWatchdog&) = delete;
    HookWatchdog& operator=(const HookWatchdog&) = delete;

    // Every WatchdogIntervalMs: compares the session's last input with the hooks' last event.
    void Check();
    // When Check wants to run next: soon while there is input, rarely while there is none.
    std::uint32_t NextCheckDelayMs() const;
    // A message of the main window: after resume from sleep and after the session is unlocked
    // (or connected to again), the hooks are installed again.
    void HandleMessage(unsigned msg, std::uintptr_t wParam);
    // Asks the hook thread to install its hooks again, and forgets every shadow text: keys may
    // have gone by unseen.
    void Reinstall();

private:
    Platform& platform_;
    const HookLink& link_;
    HookActivity& hook_;
    TrackingRecords& tracking_;
    std::optional<std::uint32_t> reinstalledAt_;
    std::optional<std::uint32_t> unseenSince_; // when unseen input was first noticed
    std::uint32_t silenceMs_ = HookSilenceMs;
    std::optional<std::uint32_t> lastInput_; // the session's input tick at the last check
    bool inputMoved_ = true;
};

} // namespace lumora
