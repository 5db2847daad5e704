#pragma once
// Shadow text editing: each editing key the hook reports is imitated on the tracking record of
// the control it went to, so that the shadow text keeps in step with the real one.
#include "settings/ProgramState.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "tracking/TrackingRecords.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace lumora {

// Bits of KeyStateFlags.
constexpr std::uint8_t KS_SHIFT = 0x02;
constexpr std::uint8_t KS_ALT = 0x04;
constexpr std::uint8_t KS_CTRL = 0x08;
constexpr std::uint8_t KS_CAPSLOCK = 0x10; // toggled on and not held down

// Shift (three), Alt (three), Ctrl (three).
constexpr std::array<int, 9> ModifierKeyTable = {vk::LShift,   vk::RShift,   vk::Shift,
                                                 vk::LMenu,    vk::RMenu,    vk::Menu,
                                                 vk::LControl, vk::RControl, vk::Control};

// The characters the Backspace and Delete rules treat as word breaks.
constexpr std::u16string_view BreakChars = u" .;!?\t\r\n";

// How long a paste waits for another window to let go of the clipboard.
constexpr std::uint32_t ClipboardWaitMs = 4000;

class EditKeys {
public:
    EditKeys(Platform& platform, ProgramState& state, TrackingRecords& tracking);

    // Reads the modifier and CapsLock state into KeyStateFlags and returns it.
    std::uint8_t ReadKeyState();
    // Applies one key (FromChar false: a virtual-key code) or character (FromChar true) to the
    // record of the current target; Escape cancels a typing-out in every state.
    void HandleEditKey(std::uint16_t code, bool FromChar);
    // The clipboard's text, empty when there is none or it stays held by another window.
    std::u16string ReadClipboardText();
    // True when no window holds the clipboard open (any more); waits up to ClipboardWaitMs,
    // handling pending messages meanwhile.
    bool WaitForClipboard();
    void SetPasteCanceled(bool value);

private:
    void Paste(TrackingRecord& rec);

    Platform& platform_;
    ProgramState& state_;
    TrackingRecords& tracking_;
};

} // namespace lumora
