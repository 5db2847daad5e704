// The search window's filter: finds the phrases a query names and puts the best first.
#include "editor/PhraseSearch.h"

#include "platform/TextCase.h"

#include <algorithm>
#include <array>

namespace lumora {

namespace {

// Lower is better; a phrase the query does not find has none.
enum Rank { AbbreviationIs, AbbreviationStarts, AbbreviationHolds, TextStarts, TextHolds, None };

std::size_t PairBit(char16_t a, char16_t b) {
    return (static_cast<std::size_t>(a) * 31u + b) & 511u;
}

void AddPairs(std::array<std::uint64_t, 8>& bits, std::u16string_view text) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        const std::size_t bit = PairBit(text[i - 1], text[i]);
        bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

// The query's words, lowered, each once and in their order; and the whole query they make.
struct QueryWords {
    std::vector<std::u16string> Words;
    std::u16string Whole;
    // The words a phrase must hold: those that no other word holds already.
    std::vector<std::u16string> Needed;
};

QueryWords Split(std::u16string_view query) {
    QueryWords q;
    std::u16string lower(query.substr(0, std::min(query.size(), SearchQueryLimit)));
    LowerCaseBuffer(lower.data(), lower.size());
    std::size_t at = 0;
    while (at < lower.size()) {
        const std::size_t end = std::min(lower.find(u' ', at), lower.size());
        if (end > at) {
            std::u16string word = lower.substr(at, end - at);
            if (std::find(q.Words.begin(), q.Words.end(), word) == q.Words.end())
                q.Words.push_back(std::move(word));
        }
        at = end + 1;
    }
    for (const std::u16string& w : q.Words)
        q.Whole += (q.Whole.empty() ? u"" : u" ") + w;
    for (std::size_t i = 0; i < q.Words.size(); ++i) {
        const bool held = std::any_of(q.Words.begin(), q.Words.end(), [&](const std::u16string& o) {
            return &o != &q.Words[i] && o.size() > q.Words[i].size() &&
                   o.find(q.Words[i]) != std::u16string::npos;
        });
        if (!held) q.Needed.push_back(q.Words[i]);
    }
    // The longest first: it is the likeliest to be missing, which ends the look at a phrase.
    std::stable_sort(
        q.Needed.begin(), q.Needed.end(),
        [](const std::u16string& a, const std::u16string& b) { return a.size() > b.size(); });
    return q;
}

// Every phrase the new words find was found by the old ones: each old word is held by a new one.
bool Narrows(const std::vector<std::u16string>& before, const std::vector<std::u16string>& now) {
    return std::all_of(before.begin(), before.end(), [&](const std::u16string& old) {
        return std::any_of(now.begin(), now.end(), [&](const std::u16string& w) {
            return w.find(old) != std::u16string::npos;
        });
    });
}

} // namespace

std::vector<std::size_t> SearchPhrases(const PhraseList& phrases, std::u16string_view query) {
    SearchList list(phrases);
    list.SetQuery(query);
    return list.Rows();
}

void SearchList::Refresh() {
    std::size_t size = 0;
    for (std::size_t row = 0; row < phrases_.Count(); ++row)
        size += phrases_.At(row).Abbreviation().size() + phrases_.At(row).Text().size();
    lowered_.clear();
    lowered_.reserve(size);
    starts_.clear();
    starts_.reserve(2 * phrases_.Count() + 1);
    for (std::size_t row = 0; row < phrases_.Count(); ++row) {
        starts_.push_back(lowered_.size());
        lowered_ += phrases_.At(row).Abbreviation();
        starts_.push_back(lowered_.size());
        lowered_ += phrases_.At(row).Text();
    }
    starts_.push_back(lowered_.size());
    LowerCaseBuffer(lowered_.data(), lowered_.size());
    const std::u16string_view all(lowered_);
    pairs_.assign(phrases_.Count(), PairBits{});
    for (std::size_t row = 0; row < phrases_.Count(); ++row) {
        AddPairs(pairs_[row],
                 all.substr(starts_[2 * row], starts_[2 * row + 1] - starts_[2 * row]));
        AddPairs(pairs_[row],
                 all.substr(starts_[2 * row + 1], starts_[2 * row + 2] - starts_[2 * row + 1]));
    }
    // Room for every phrase found, now rather than at a key.
    holding_.reserve(phrases_.Count());
    ranks_.reserve(phrases_.Count());
    rows_.reserve(phrases_.Count());
    searched_ = false;
    SetQuery(u"");
}

void SearchList::SetQuery(std::u16string_view query) {
    const QueryWords q = Split(query);
    const std::size_t count = (starts_.size() - 1) / 2;
    const std::u16string_view all(lowered_);
    auto abbreviationOf = [&](std::size_t row) {
        return all.substr(starts_[2 * row], starts_[2 * row + 1] - starts_[2 * row]);
    };
    auto textOf = [&](std::size_t row) {
        return all.substr(starts_[2 * row + 1], starts_[2 * row + 2] - starts_[2 * row + 1]);
    };
    std::vector<PairBits> wordPairs(q.Needed.size(), PairBits{});
    for (std::size_t i = 0; i < q.Needed.size(); ++i)
        AddPairs(wordPairs[i], q.Needed[i]);
    auto holdsAll = [&](std::size_t row) {
        const PairBits& held = pairs_[row];
        for (const PairBits& word : wordPairs)
            for (std::size_t k = 0; k < word.size(); ++k)
                if ((held[k] & word[k]) != word[k]) return false;
        const std::u16string_view a = abbreviationOf(row), t = textOf(row);
        return std::all_of(q.Needed.begin(), q.Needed.end(), [&](const std::u16string& w) {
            return a.find(w) != std::u16string_view::npos || t.find(w) != std::u16string_view::npos;
        });
    };
    // Typing on narrows the last result; anything else looks at every phrase again.
    if (searched_ && Narrows(words_, q.Needed)) {
        std::erase_if(holding_, [&](std::size_t row) { return !holdsAll(row); });
    } else {
        holding_.clear();
        for (std::size_t row = 0; row < count; ++row)
            if (holdsAll(row)) holding_.push_back(row);
    }
    words_ = q.Needed;
    searched_ = true;

    // Ranked by counting: each rank's rows in row order, with no sort and no allocation.
    ranks_.clear();
    std::array<std::size_t, None + 1> counts{};
    for (std::size_t row : holding_) {
        Rank rank = None;
        if (!q.Whole.empty()) {
            const std::u16string_view a = abbreviationOf(row), t = textOf(row);
            if (a == q.Whole)
                rank = AbbreviationIs;
            else if (a.starts_with(q.Whole))
                rank = AbbreviationStarts;
            else if (a.find(q.Whole) != std::u16string_view::npos)
                rank = AbbreviationHolds;
            else if (t.starts_with(q.Whole))
                rank = TextStarts;
            else if (t.find(q.Whole) != std::u16string_view::npos)
                rank = TextHolds;
        }
        ranks_.push_back(static_cast<std::uint8_t>(rank));
        ++counts[rank];
    }
    std::array<std::size_t, None + 1> next{};
    for (std::size_t r = 1; r < next.size(); ++r)
        next[r] = next[r - 1] + counts[r - 1];
    rows_.resize(holding_.size());
    for (std::size_t i = 0; i < holding_.size(); ++i)
        rows_[next[ranks_[i]]++] = holding_[i];
    chosen_ = 0;
}

} // namespace lumora
