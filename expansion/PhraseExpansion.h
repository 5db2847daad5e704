#pragma once
// The expansion, from a decided match to the released keys: the hook library is asked to hold
// the user's keys, the abbreviation is erased and the phrase typed, the keys that slipped past
// before the hold are typed again after it, and the held keys go.
#include "control/ProgramControl.h"
#include "expansion/ExpansionUndo.h"
#include "hook/HookLink.h"
#include "hook/HookMessages.h"
#include "output/ElevatedTargets.h"
#include "output/KeySynthesis.h"
#include "output/PhrasePaste.h"
#include "output/PhraseTyping.h"
#include "platform/Platform.h"
#include "platform/TrayNotices.h"
#include "platform/WindowMemo.h"
#include "tracking/TrackingRecords.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

// Posted by Begin to the main window, whose handler calls ExpandPhrase: the typing starts after the
// handler that decided the expansion has returned. Numbered clear of the hook library's
// messages and of intake/ProgramMessages.h.
constexpr unsigned WM_EXPAND = WM_USER_BASE + 20;

// The intake's side of the keys that slipped past: each is observed as if it came now (a
// character may decide another expansion, through Begin).
class SlippedKeysObserver {
public:
    virtual void ObserveChar(char16_t ch, std::uint8_t vk, std::uint32_t report) = 0;
    virtual void ObserveKey(std::uint8_t vk) = 0;

protected:
    ~SlippedKeysObserver() = default;
};

// A report that came after the one that decided an expansion, before the hook library began
// to hold keys: it reached the target on its own.
struct SlippedKey {
    enum class Kind { Char, Key, Mouse };
    Kind What = Kind::Char;
    char16_t Ch = 0;
    std::uint8_t Vk = 0;
    std::uint32_t Report = 0;
    std::int32_t X = 0, Y = 0;
    // In the target (false: erased by an expansion, or not typed yet, and waiting to be typed
    // again after the next one).
    bool InTarget = true;
};

class PhraseExpansion {
public:
    // Everything given is owned by the caller and outlives this object.
    PhraseExpansion(Platform& platform, TrayNotices& notices, HookLink& link,
                    TrackingRecords& tracking, PhraseTyping& typing, ProgramControl& control,
                    SlippedKeysObserver& observer);
    PhraseExpansion(const PhraseExpansion&) = delete;
    PhraseExpansion& operator=(const PhraseExpansion&) = delete;

    // The one entry: an expansion was decided (a typed match, or a phrase chosen in the search
    // window). The hook library is asked to hold the keys after expansion.Report, and WM_EXPAND
    // posted to the main window, whose handler calls ExpandPhrase. One decided while another waits
    // for its WM_EXPAND takes its place.
    void Begin(PendingExpansion expansion);
    // WM_EXPAND: every decided expansion, one after the other, then the held keys go. Called
    // again from inside one (its injections handle pending messages), it does nothing.
    void ExpandPhrase();

    // An expansion was decided and waits for ExpandPhrase.
    bool Pending() const { return pending_.has_value(); }
    // ExpandPhrase is under way: the hook library holds the keys.
    bool Running() const { return running_; }
    // A match was decided: waiting for the hook library to hold the keys after it. Reports
    // that come meanwhile slipped past and are handed to Slipped.
    bool AwaitingHold() const { return pending_ && !holdConfirmed_; }
    void Slipped(const SlippedKey& key) { slipped_.push_back(key); }
    // WM_HOOK_HOLDING: the hook library holds every key after report, or (refused) it had let
    // them go before the hold came.
    void ConfirmHold(std::uint32_t report, bool refused = false);
    // WM_HOOK_LET_GO: the hook library let every held key go without a verdict, up to report.
    // An expansion decided at or before it is abandoned before anything is erased: the keys it
    // would erase are not the ones it counted.
    void HoldLetGo(std::uint32_t report);
    // Times the hook library let go of the keys, and expansions abandoned because of it.
    int HoldsLetGo() const { return holdsLetGo_; }
    // The system refused keys we typed or replayed (WM_HOOK_INPUT_REFUSED for the replayed
    // ones): the user is told once.
    void InputRefused();
    int AbandonedLate() const { return abandonedLate_; }

    // The last report the intake has dealt with: the release lets every key up to it go.
    void Dealt(std::uint32_t report) { lastReport_ = report; }
    std::uint32_t LastReport() const { return lastReport_; }
    // Tells the hook library that every report up to the last is decided on.
    void ReleaseHold();

    // Pasted phrases, whose clipboard give-back may wait for another program (the main
    // window's timer retries it).
    PhrasePaste& Paste() { return paste_; }

    // The expansion typed last, which a Backspace may take back.
    ExpansionUndo& Undo() { return undo_; }

    // The program ends (exit, close, the session's end): the typing stops before its next
    // chunk, no expansion begins any more, and the running one lets the held keys go as it
    // unwinds. True while one still runs: the end must wait for it (Running) and then for the
    // hook library to have replayed the keys.
    bool StopForExit();
    bool Ending() const { return ending_; }

private:
    void WaitForHold();
    void Expand(const PendingExpansion& expansion, std::vector<SlippedKey>& slipped,
                std::optional<ReleasedModifiers>& released);
    // The expansion does not happen: what slipped past is observed as it was typed.
    void Abandon(std::vector<SlippedKey>& slipped);
    // Observes slipped reports in order; when one of them decided another expansion the rest
    // wait behind it.
    void ObserveSlipped(std::vector<SlippedKey>& slipped, bool retype);
    // The expansion may erase and type where it was decided: not in a password field, nor in
    // a program that runs above us.
    bool MayTypeInto(const PendingExpansion& expansion);
    // The hook library let go of the keys after the expansion's report: its verdict is late.
    bool TooLate(const PendingExpansion& expansion) const;
    // A withheld trail the hook library let go reached the target: the shadow text takes it.
    void MirrorLetGoTrail(const std::u16string& trail);
    // Erases erase characters before the caret (eraseInShadow of them in the shadow text) and
    // puts the phrase in by the method the target's program and the phrase's length ask for:
    // pasted, or typed when the clipboard cannot be had. target is the window in front. True
    // when it was typed.
    bool PutPhrase(const PhraseTyping::PreparedText& text, bool capsLock, std::int32_t erase,
                   std::int32_t eraseInShadow, HWindow target);

    // target is a console window, asked of the system once per window (a window's class does
    // not change).
    bool IsConsole(HWindow target);

    // Tells the user once why an expansion stopped or did not happen.
    void Tell(const std::u16string& text);

    Platform& platform_;
    TrayNotices& notices_;
    HookLink& link_;
    TrackingRecords& tracking_;
    PhraseTyping& typing_;
    ProgramControl& control_;
    SlippedKeysObserver& observer_;
    ElevatedTargets elevated_;
    ExpansionUndo undo_;
    PhrasePaste paste_;
    WindowMemo<bool> console_;
    // The expansion decided last, until ExpandPhrase takes it.
    std::optional<PendingExpansion> pending_;
    // The hook library has answered the pending expansion's hold.
    bool holdConfirmed_ = false;
    std::vector<SlippedKey> slipped_;
    std::uint32_t lastReport_ = 0;
    bool running_ = false;
    // The hook library let go of every key up to this report (letGo_: it did at least once).
    std::uint32_t letGoUpTo_ = 0;
    bool letGo_ = false;
    int holdsLetGo_ = 0;
    int abandonedLate_ = 0;
    bool ending_ = false;
    // What the user was last told, until a phrase is typed whole again.
    std::u16string told_;
};

} // namespace lumora
