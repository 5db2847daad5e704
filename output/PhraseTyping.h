#pragma once
// Phrase typing: a matched abbreviation is erased in the target with Backspaces and the phrase
// typed in its place, key by key, while the shadow text follows.
#include "settings/ProgramState.h"
#include "platform/Platform.h"
#include "intake/EditKeys.h"
#include "tracking/TrackingRecords.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumora {

class Phrase;

// VK_NUMPAD0 to VK_NUMPAD9, by digit.
constexpr std::array<std::int32_t, 10> NumpadKeys = {96, 97, 98, 99, 100, 101, 102, 103, 104, 105};

class PhraseTyping {
public:
    PhraseTyping(Platform& platform, ProgramState& state, TrackingRecords& tracking,
                  EditKeys& editKeys);

    // Erases the pending abbreviation (and its trail) in the target and types Phrase there;
    // nothing for a null phrase. TypingActive and the hook's busy state cover all of it.
    void ExpandPhrase(const Phrase* Phrase);
    // Types Text and then Trail into the target in its keyboard layout, mirroring each
    // character into the shadow text; Escape (PasteCanceled) stops it before the next one.
    void TypeText(std::u16string_view Text, std::u16string_view Trail);

    // The text as it is typed: brace escapes rewritten, trail appended, line feeds dropped.
    static std::u16string PrepareText(std::u16string_view Text, std::u16string_view Trail);

private:
    void TypeChar(char16_t C, HWindow Target);

    Platform& platform_;
    ProgramState& state_;
    TrackingRecords& tracking_;
    EditKeys& editKeys_;
};

} // namespace lumora
