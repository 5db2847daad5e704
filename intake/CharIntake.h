#pragma once
// Character intake: every typed character goes into the shadow text, and the text before the
// caret is searched for an abbreviation; a match is left for the event intake, which begins
// its expansion.
#include "hook/HookMessages.h"
#include "intake/EditKeys.h"
#include "matching/CandidateSearch.h"
#include "output/PhraseTyping.h"
#include "platform/VirtualKeys.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumora {

// Characters after which a long shadow text is trimmed (BreakChars without the space).
constexpr std::u16string_view SentenceEndChars = u".;!?\t\r\n";

// A shadow text this long is trimmed at the next sentence end.
constexpr std::size_t SentenceTrimLength = 128;

class CharIntake {
public:
    // A match is left in decided; the CapsLock state it carries is the one editKeys read last.
    CharIntake(TrackingRecords& tracking, CandidateSearch& search, const EditKeys& editKeys,
               std::optional<PendingExpansion>& decided);

    // report: the hook library's number of the key, which the expansion carries.
    void HandleTypedChar(char16_t ch, std::uint8_t vk, std::uint32_t report = 0);
    // The abbreviation before the caret was just taken back: the next character does not
    // expand it (only an abbreviation that ends with that character counts).
    void KeepAbbreviationBefore() { keepBefore_ = true; }

private:
    TrackingRecords& tracking_;
    CandidateSearch& search_;
    const EditKeys& editKeys_;
    std::optional<PendingExpansion>& decided_;
    // Reused, so that a typed character allocates nothing; only read before keys are sent.
    std::vector<Phrase*> found_;
    std::u16string typed_;
    bool keepBefore_ = false;
};

} // namespace lumora
