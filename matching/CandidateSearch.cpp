// The candidate search: finds the abbreviations the typed text ends in, by the delimiter rules.
#include "matching/CandidateSearch.h"

#include "data/AbbreviationIndex.h"
#include "data/Phrase.h"
#include "platform/TextCase.h"

#include <algorithm>

namespace lumora {

char16_t CharBefore(std::u16string_view text, std::int32_t index) {
    const auto length = static_cast<std::int64_t>(text.size());
    if (index <= 1 || index - 1 > length) return u'\0';
    return text[static_cast<std::size_t>(index - 2)];
}

char16_t CharAfter(std::u16string_view text, std::int32_t index) {
    const auto length = static_cast<std::int64_t>(text.size());
    if (index >= length || index < 0) return u'\0';
    return text[static_cast<std::size_t>(index)];
}

bool CheckAutotextPosition(DelimiterMode mode, char16_t prev, char16_t next) {
    const bool startsWell = PrecedingDelims.find(prev) != std::u16string_view::npos;
    switch (mode) {
    case DelimiterMode::AfterDelimiter:
        return startsWell;
    case DelimiterMode::BetweenDelimiters:
        // U+0000 (nothing follows) is not in FollowingDelims: the end of the text never counts.
        return startsWell && FollowingDelims.find(next) != std::u16string_view::npos;
    case DelimiterMode::Anywhere:
        break;
    }
    return true;
}

CandidateSearch::CandidateSearch(const AbbreviationIndex& index, const DelimiterMode& mode)
    : index_(index), mode_(mode) {}

std::size_t CandidateSearch::FindAutotexts(std::vector<Phrase*>& results,
                                           std::u16string_view text) {
    results.clear();
    const auto L = static_cast<std::int32_t>(text.size());
    if (L == 0) return 0;
    const std::int32_t M = std::min<std::int32_t>(L, SearchedLength);
    const DelimiterMode mode = mode_;

    // Lower-casing goes code unit by code unit, so a suffix of the lower-cased window is the
    // lower-cased suffix.
    const auto windowStart = static_cast<std::size_t>(L - M);
    lowerWindow_.assign(text.substr(windowStart));
    LowerCaseBuffer(lowerWindow_.data(), lowerWindow_.size());
    const std::u16string_view lowerWindow = lowerWindow_;

    // One lookup: the n characters from 1-based position `first`, judged by its neighbours.
    // Neither the length nor the position rule looks at an entry, so either can spare it.
    auto lookUp = [&](std::int32_t first, std::int32_t n, char16_t prev, char16_t next) {
        // No abbreviation has this length: no lookup (most lengths, in every mode).
        if (!index_.HasLength(static_cast<std::size_t>(n))) return;
        if (!CheckAutotextPosition(mode, prev, next)) return;
        const auto at = static_cast<std::size_t>(first - 1);
        const auto count = static_cast<std::size_t>(n);
        foundEntries_.clear();
        index_.Find(text.substr(at, count), lowerWindow.substr(at - windowStart, count),
                    foundEntries_);
        for (const AbbreviationEntry* entry : foundEntries_) {
            Phrase* phrase = entry->Record;
            if (std::find(results.begin(), results.end(), phrase) == results.end())
                results.push_back(phrase);
        }
    };

    // First pass: abbreviations that end with the last character.
    for (std::int32_t n = M; n >= 1; --n)
        lookUp(L - n + 1, n, CharBefore(text, L - n + 1), CharAfter(text, L));
    const std::size_t firstPass = results.size();

    // Second pass: abbreviations followed by the last character.
    for (std::int32_t n = M; n >= 2; --n)
        lookUp(L - n + 1, n - 1, CharBefore(text, L - n + 1), CharAfter(text, L - 1));
    return firstPass;
}

} // namespace lumora
