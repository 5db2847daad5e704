#pragma once
// Pasting a phrase: the clipboard lends itself to the phrase for one paste and gets its every
// format back afterwards. The method for each expansion (typed or pasted) is chosen here too.
#include "output/PhraseTyping.h"
#include "platform/Platform.h"
#include "platform/TrayNotices.h"
#include "settings/Options.h"
#include "tracking/TrackingRecords.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// How long a paste waits for another window to let go of the clipboard before the phrase is
// typed instead.
constexpr std::uint32_t PasteClipboardWaitMs = 250;
// How long the paste waits for the target to ask for the phrase after its paste keys.
constexpr std::uint32_t PasteTakeWaitMs = 2000;
// After something else took the phrase first (a clipboard monitor that ignores the marks),
// the target's asking can no longer be seen: the clipboard is given back after this long.
constexpr std::uint32_t PasteSettleMs = 300;
// A give-back that found the clipboard held by another program is tried again this often,
// for this long, with the user's contents kept meanwhile.
constexpr std::uint32_t GiveBackRetryMs = 500;
constexpr std::uint32_t GiveBackRetryForMs = 30000;
// The pause between keys of a program that takes phrases slowly.
constexpr std::uint32_t SlowKeyDelayMs = 20;

// The method for a phrase of `length` characters in the program at programPath (empty when
// unknown); console says the target is a console window. The program's own entry comes first,
// then the console entry, then the length.
OutputMethod ChooseOutputMethod(const Options& options, std::u16string_view programPath,
                                bool console, std::size_t length);

// The target window is a console (its paste keys are its own).
bool IsConsoleWindow(Platform& platform, HWindow target);

// The clipboard formats that keep a phrase out of the clipboard history, the cloud clipboard
// and clipboard monitors.
constexpr std::u16string_view ExcludeFromMonitorsFormat =
    u"ExcludeClipboardContentFromMonitorProcessing";
constexpr std::u16string_view HistoryFormat = u"CanIncludeInClipboardHistory";
constexpr std::u16string_view CloudFormat = u"CanUploadToCloudClipboard";

class PhrasePaste {
public:
    PhrasePaste(Platform& platform, TrackingRecords& tracking, TrayNotices& notices);

    enum class Result {
        Pasted,
        // The clipboard could not be had in time: nothing was sent, not even the Backspaces,
        // and the clipboard is as it was. The caller erases and types.
        NotOffered,
        // The target never asked for the phrase: the Backspaces went, nothing of the phrase
        // arrived, and the clipboard is as it was. The caller types it instead.
        NotTaken,
    };
    // Puts the prepared text on the clipboard, then sends erase Backspaces (of which
    // eraseInShadow are in the shadow text) and the paste keys (Shift+Insert, else Ctrl+V) to
    // the target in one injection, waits for it to take the text, and puts back what the
    // clipboard held. The shadow text follows as for typing, and the caret goes back to a
    // {#cursor}.
    Result Paste(const PhraseTyping::PreparedText& text, HWindow target, bool shiftInsert,
                 std::int32_t erase = 0, std::int32_t eraseInShadow = 0);

    // The user's contents wait to be given back (another program held the clipboard): the
    // main window calls RetryGiveBack after this many ms. nullopt when nothing waits.
    std::optional<std::uint32_t> GiveBackRetryDelayMs() const;
    // One more try at giving the user's contents back, without waiting for the clipboard. They
    // are dropped once someone else has put something on it (the user's newer copy wins), and
    // after GiveBackRetryForMs (with a tray notice).
    void RetryGiveBack();

    // The tick at which the clipboard last held the user's contents again (for measurements).
    std::uint32_t RestoredAt() const { return restoredAt_; }

private:
    // Waits for the target to ask for the offered text; false when nobody asked.
    bool WaitUntilTaken(HWindow target);
    void Restore(std::vector<ClipboardItem>& saved);
    // Puts saved back if the clipboard opens within waitMs and still holds our phrase; true
    // when saved is done with (put back, or overtaken by someone else's copy).
    bool TryRestore(std::vector<ClipboardItem>& saved, std::uint32_t waitMs);
    // The user's contents go back on every path once the phrase is offered.
    class Lent;

    Platform& platform_;
    TrackingRecords& tracking_;
    TrayNotices& notices_;
    std::uint32_t restoredAt_ = 0;
    // The numbers of the formats that mark the phrase (0: not yet registered).
    std::array<unsigned, 3> markFormats_{};
    // The user's contents a give-back could not put back yet, and since when.
    struct Waiting {
        std::vector<ClipboardItem> Saved;
        std::uint32_t Since = 0;
    };
    std::optional<Waiting> waiting_;
};

} // namespace lumora
