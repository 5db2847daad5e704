// The search window's filter: finds the phrases a query names and puts the best first.
#include "editor/PhraseSearch.h"

#include "platform/TextCase.h"

#include <algorithm>

namespace lumora {

namespace {

// Lower is better; a phrase the query does not find has none.
enum Rank { AbbreviationIs, AbbreviationStarts, AbbreviationHolds, TextStarts, TextHolds, None };

std::vector<std::u16string> Words(const std::u16string& lowerQuery) {
    std::vector<std::u16string> words;
    std::size_t at = 0;
    while (at < lowerQuery.size()) {
        const std::size_t end = lowerQuery.find(u' ', at);
        const std::size_t stop = end == std::u16string::npos ? lowerQuery.size() : end;
        if (stop > at) words.push_back(lowerQuery.substr(at, stop - at));
        at = stop + 1;
    }
    return words;
}

} // namespace

std::vector<std::size_t> SearchPhrases(const PhraseList& phrases, std::u16string_view query) {
    const std::u16string lowerQuery = LowerCased(query);
    const std::vector<std::u16string> words = Words(lowerQuery);
    // The whole query, spaces and all, ranks the phrase; every word must be found somewhere.
    const std::u16string whole = [&] {
        std::u16string w;
        for (const auto& word : words)
            w += (w.empty() ? u"" : u" ") + word;
        return w;
    }();
    std::vector<std::pair<Rank, std::size_t>> found;
    std::u16string abbreviation, text;
    for (std::size_t row = 0; row < phrases.Count(); ++row) {
        const Phrase& p = phrases.At(row);
        if (words.empty()) {
            found.emplace_back(None, row);
            continue;
        }
        abbreviation = LowerCased(p.Abbreviation());
        text = LowerCased(p.Text());
        const bool all = std::all_of(words.begin(), words.end(), [&](const std::u16string& w) {
            return abbreviation.find(w) != std::u16string::npos ||
                   text.find(w) != std::u16string::npos;
        });
        if (!all) continue;
        Rank rank = None;
        if (abbreviation == whole)
            rank = AbbreviationIs;
        else if (abbreviation.starts_with(whole))
            rank = AbbreviationStarts;
        else if (abbreviation.find(whole) != std::u16string::npos)
            rank = AbbreviationHolds;
        else if (text.starts_with(whole))
            rank = TextStarts;
        else if (text.find(whole) != std::u16string::npos)
            rank = TextHolds;
        found.emplace_back(rank, row);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::size_t> rows;
    rows.reserve(found.size());
    for (const auto& [rank, row] : found)
        rows.push_back(row);
    return rows;
}

void SearchList::SetQuery(std::u16string_view query) {
    rows_ = SearchPhrases(phrases_, query);
    chosen_ = 0;
}

} // namespace lumora
