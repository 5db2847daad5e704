#pragma once
// The clipboard's text, for a paste the shadow text follows and for a phrase's clipboard field.
#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

// How long a read waits for another window to let go of the clipboard.
constexpr std::uint32_t ClipboardWaitMs = 4000;

// Opens the clipboard for owner, trying again while another program holds it, for up to
// waitMs; handles pending messages meanwhile (a point of re-entry). False when it stayed
// held. Opening is the only sure test: a program that opened it without a window (OLE's
// clipboard does) is named by no query.
bool OpenClipboardWithin(Platform& platform, HWindow owner, std::uint32_t waitMs);

// The clipboard's Unicode text (else its 8-bit text), opened for owner; empty when there is
// none or the clipboard stays held by another window.
std::u16string ReadClipboardText(Platform& platform, HWindow owner);
// The same, waiting at most waitMs; nullopt when another window still holds the clipboard open
// then (or it cannot be opened), empty when it holds no text.
std::optional<std::u16string> TryReadClipboardText(Platform& platform, HWindow owner,
                                                   std::uint32_t waitMs);

} // namespace lumora
