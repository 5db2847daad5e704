#pragma once
// The clipboard's text, for a paste the shadow text follows and for a phrase's clipboard field.
#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

// How long a read waits for another window to let go of the clipboard.
constexpr std::uint32_t ClipboardWaitMs = 4000;

// True when no window holds the clipboard open (any more); waits up to ClipboardWaitMs,
// handling pending messages meanwhile (a point of re-entry).
bool WaitForClipboard(Platform& platform, std::uint32_t waitMs = ClipboardWaitMs);

// The clipboard's Unicode text (else its 8-bit text), opened for owner; empty when there is
// none or the clipboard stays held by another window.
std::u16string ReadClipboardText(Platform& platform, HWindow owner);
// The same, waiting at most waitMs; nullopt when another window still holds the clipboard open
// then (or it cannot be opened), empty when it holds no text.
std::optional<std::u16string> TryReadClipboardText(Platform& platform, HWindow owner,
                                                   std::uint32_t waitMs);

} // namespace lumora
