#pragma once
// A phrase's fields filled from the system before the expansion erases anything: one moment for
// every date and time, the clipboard read only when a field asks for it, and within a short
// time, since the user's keys are held meanwhile.
#include "output/PhraseTyping.h"
#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// How long a {#clipboard} field waits for another program to let go of the clipboard: well
// inside the second after which the hook library lets the held keys go by themselves.
constexpr std::uint32_t FieldClipboardWaitMs = 400;

struct FilledPhrase {
    // The text as it is typed; none when a field could not be filled.
    std::optional<PhraseTyping::PreparedText> Prepared;
    // Why not, for the user.
    std::u16string Failure;
};

// Fills the fields of text (and appends trail) as PhraseTyping::Prepare does; owner is the
// window the clipboard is opened for. Handles pending messages while it waits.
FilledPhrase FillPhrase(Platform& platform, HWindow owner, std::u16string_view text,
                        std::u16string_view trail);

} // namespace lumora
