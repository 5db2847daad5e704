// The hook watchdog: installs the hook library's hooks again when Windows may have taken them.
#include "intake/HookWatchdog.h"

#include "hook/HookMessages.h"

#include <algorithm>

namespace lumora {

namespace {

// a is later than b on the wrapping millisecond clock.
bool Later(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) > 0;
}

} // namespace

HookWatchdog::HookWatchdog(Platform& platform, const HookLink& link, HookActivity& hook,
                           TrackingRecords& tracking)
    : platform_(platform), link_(link), hook_(hook), tracking_(tracking) {}

std::uint32_t HookWatchdog::NextCheckDelayMs() const {
    return inputMoved_ || unseenSince_ ? WatchdogIntervalMs : WatchdogIdleMs;
}

void HookWatchdog::Check() {
    const std::uint32_t input = platform_.Time.LastInputTick();
    inputMoved_ = lastInput_ != input;
    lastInput_ = input;
    if (link_.HookThread == 0) return; // no hooks to keep
    const auto hookTick = hook_.LastEventTick();
    if (!hookTick) return;
    const std::uint32_t now = platform_.Time.TickCount();
    std::uint32_t seen = *hookTick;
    if (reinstalledAt_ && Later(*reinstalledAt_, seen)) seen = *reinstalledAt_;
    if (!Later(platform_.Time.LastInputTick(), seen + HookClockSlackMs)) {
        // The hooks see what the session gets: all is well, and a later loss is met quickly.
        unseenSince_.reset();
        if (!reinstalledAt_ || Later(*hookTick, *reinstalledAt_)) silenceMs_ = HookSilenceMs;
        return;
    }
    if (!unseenSince_) {
        unseenSince_ = now;
        return;
    }
    if (now - *unseenSince_ < silenceMs_) return;
    Reinstall();
    silenceMs_ = std::min(silenceMs_ * 2, HookSilenceMaxMs);
}

void HookWatchdog::HandleMessage(unsigned msg, std::uintptr_t wParam) {
    using namespace power;
    const bool resumed =
        msg == PowerBroadcastMsg && (wParam == ResumeAutomatic || wParam == ResumeSuspend);
    const bool unlocked =
        msg == SessionChangeMsg &&
        (wParam == SessionUnlock || wParam == ConsoleConnect || wParam == RemoteConnect);
    if (!resumed && !unlocked) return;
    silenceMs_ = HookSilenceMs; // a new start: a loss seen later is met quickly again
    Reinstall();
}

void HookWatchdog::Reinstall() {
    if (link_.HookThread == 0 || !link_.Requests) return;
    link_.Requests->Reinstall();
    reinstalledAt_ = platform_.Time.TickCount();
    unseenSince_.reset();
    for (const auto& rec : tracking_.Records())
        TrackingRecords::ResetRecord(rec.get());
}

} // namespace lumora
