#include "matching/CandidateSearch.h"

#include "data/Phrase.h"
#include "data/AbbreviationIndex.h"
#include "platform/TextCase.h"

#include <algorithm>

namespace lumora {

char16_t CharBefore(std::u16string_view Text, std::int32_t Index) {
    const auto L = static_cast<std::int64_t>(Text.size());
    if (Index <= 1 || Index - 1 > L) return u'\0';
    return Text[static_cast<std::size_t>(Index - 2)];
}

char16_t CharAfter(std::u16string_view Text, std::int32_t Index) {
    const auto L = static_cast<std::int64_t>(Text.size());
    if (Index >= L || Index < 0) return u'\0';
    return Text[static_cast<std::size_t>(Index)];
}

bool CheckAutotextPosition(std::int32_t DelimMode, char16_t PrevChar, char16_t NextChar) {
    const bool startsWell = PrecedingDelims.find(PrevChar) != std::u16string_view::npos;
    switch (DelimMode) {
    case 0:
        return startsWell;
    case 1:
        // U+0000 (nothing follows) is not in FollowingDelims: the end of the text never counts.
        return startsWell && FollowingDelims.find(NextChar) != std::u16string_view::npos;
    default:
        return true;
    }
}

CandidateSearch::CandidateSearch(const AbbreviationIndex& index, const Options& options)
    : index_(index), options_(options) {}

std::size_t CandidateSearch::FindAutotexts(std::vector<Phrase*>& results,
                                            std::u16string_view Text) {
    results.clear();
    const auto L = static_cast<std::int32_t>(Text.size());
    if (L == 0) return 0;
    const std::int32_t M = std::min<std::int32_t>(L, SearchWindow);
    const std::int32_t mode = options_.DelimMode;

    // Lower-casing goes code unit by code unit, so a suffix of the lower-cased window is the
    // lower-cased suffix.
    const auto windowStart = static_cast<std::size_t>(L - M);
    lowerWindow_.assign(Text.substr(windowStart));
    LowerCaseBuffer(lowerWindow_.data(), lowerWindow_.size());
    const std::u16string_view lowerWindow = lowerWindow_;

    // One lookup: the n characters from 1-based position `first`, judged by its neighbours.
    // The position rule does not look at the entry, so a refused position needs no lookup.
    auto lookUp = [&](std::int32_t first, std::int32_t n, char16_t prev, char16_t next) {
        if (!CheckAutotextPosition(mode, prev, next)) return;
        const auto at = static_cast<std::size_t>(first - 1);
        const auto count = static_cast<std::size_t>(n);
        foundEntries_.clear();
        index_.FindWithValue(Text.substr(at, count), lowerWindow.substr(at - windowStart, count),
                             foundEntries_);
        for (const AbbreviationEntry* entry : foundEntries_) {
            auto* phrase = static_cast<Phrase*>(entry->Data);
            if (std::find(results.begin(), results.end(), phrase) == results.end())
                results.push_back(phrase);
        }
    };

    // First pass: abbreviations that end with the last character.
    for (std::int32_t n = M; n >= 1; --n)
        lookUp(L - n + 1, n, CharBefore(Text, L - n + 1), CharAfter(Text, L));
    const std::size_t firstPass = results.size();

    // Second pass: abbreviations followed by the last character.
    for (std::int32_t n = M; n >= 2; --n)
        lookUp(L - n + 1, n - 1, CharBefore(Text, L - n + 1), CharAfter(Text, L - 1));
    return firstPass;
}

} // namespace lumora
