#pragma once
// The search for abbreviations at the end of the typed text, with the delimiter rules.
#include "settings/Options.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

class AbbreviationIndex;
class Phrase;
struct AbbreviationEntry;

// Characters an abbreviation may follow (U+0000 stands for the start of the text).
constexpr std::u16string_view PrecedingDelims{u"\0\n\t\r \"'<{[/\\-_", 14};
// Characters that may follow an abbreviation in the mode BetweenDelimiters (the end of the
// text is not one).
constexpr std::u16string_view FollowingDelims = u"\t\n\r \"'>}]).,?!/\\:;-_";
static_assert(PrecedingDelims.size() == 14 && FollowingDelims.size() == 20);

// Only the last this many characters of the text are searched.
constexpr std::size_t SearchedLength = 48;

// The character at 1-based index - 1, or U+0000 at the start of the text.
char16_t CharBefore(std::u16string_view text, std::int32_t index);
// The character at 1-based index + 1, or U+0000 at the end of the text.
char16_t CharAfter(std::u16string_view text, std::int32_t index);

// The position rule of a delimiter mode for an abbreviation between prev and next.
bool CheckAutotextPosition(DelimiterMode mode, char16_t prev, char16_t next);

class CandidateSearch {
public:
    // Reads the index and the mode at each search, so later changes count.
    CandidateSearch(const AbbreviationIndex& index, const DelimiterMode& mode);

    // Fills results with the phrases whose abbreviation ends the text (first pass) or ends
    // just before its last character (second pass), in that order, longer before shorter,
    // each phrase once. Returns how many of the results came from the first pass.
    std::size_t FindAutotexts(std::vector<Phrase*>& results, std::u16string_view text);

private:
    const AbbreviationIndex& index_;
    const DelimiterMode& mode_;
    // Reused between searches, so that a typed character allocates nothing here.
    std::vector<const AbbreviationEntry*> foundEntries_;
    // The searched window of the text, lower-cased once for all of its suffixes.
    std::u16string lowerWindow_;
};

} // namespace lumora
