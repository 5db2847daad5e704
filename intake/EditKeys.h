#pragma once
// Shadow text editing: each editing key the hook reports is imitated on the tracking record of
// the control it went to, so that the shadow text keeps in step with the real one.
#include "hook/HookLink.h"
#include "output/PhraseTyping.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <string_view>

namespace lumora {

// The modifier keys held, and CapsLock, as read at an editing key.
struct KeyFlags {
    bool Shift = false;
    bool Alt = false;
    bool Ctrl = false;
    bool CapsLock = false; // toggled on and not held down

    bool operator==(const KeyFlags&) const = default;
};

// The characters the Backspace and Delete rules treat as word breaks.
constexpr std::u16string_view BreakChars = u" .;!?\t\r\n";

class EditKeys {
public:
    EditKeys(Platform& platform, const HookLink& link, TrackingRecords& tracking,
             PhraseTyping& typing);

    // Reads the modifier and CapsLock state, keeps it as the latest and returns it.
    KeyFlags ReadKeyState();
    // The state read at the latest editing key.
    const KeyFlags& LatestKeys() const { return latest_; }
    // Applies one key (fromChar false: a virtual-key code) or character (fromChar true) to the
    // record of the current target; Escape cancels a typing-out in every state.
    void HandleEditKey(std::uint16_t code, bool fromChar);

private:
    void Paste(TrackingRecord& rec);

    Platform& platform_;
    const HookLink& link_;
    TrackingRecords& tracking_;
    PhraseTyping& typing_;
    KeyFlags latest_;
};

} // namespace lumora
