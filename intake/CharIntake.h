#pragma once
// Character intake: every typed character goes into the shadow text, and the text before the
// caret is searched for an abbreviation; a match is left pending and WM_EXPAND posted.
#include "settings/ProgramState.h"
#include "matching/CandidateSearch.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <string_view>

namespace lumora {

// Characters after which a long shadow text is trimmed (BreakChars without the space).
constexpr std::u16string_view SentenceEndChars = u".;!?\t\r\n";

// A shadow text this long is trimmed at the next sentence end.
constexpr std::size_t SentenceTrimLength = 128;

// The Enter and Tab keys, which the hook library withholds from the target so that they can
// complete a match. Ctrl+M and Ctrl+I give the same characters but pass: sending them on
// again would repeat their command.
constexpr bool IsWithheldKey(char16_t ch, std::uint8_t key) {
    return (ch == u'\r' && key == vk::Return) || (ch == u'\t' && key == vk::Tab);
}

class CharIntake {
public:
    CharIntake(Platform& platform, ProgramState& state, TrackingRecords& tracking,
                CandidateSearch& search);

    void HandleTypedChar(char16_t ch, std::uint8_t vk, bool extended);

private:
    Platform& platform_;
    ProgramState& state_;
    TrackingRecords& tracking_;
    CandidateSearch& search_;
    // Reused, so that a typed character allocates nothing; only read before keys are sent.
    std::vector<Phrase*> found_;
    std::u16string typed_;
};

} // namespace lumora
