#include "editor/PhraseSearch.h"

#include "platform/TextCase.h"

#include <algorithm>

namespace lumora {

namespace {

// Lower is better; a phrase the query does not find has none.
enum Rank { AbbreviationIs, AbbreviationStarts, AbbreviationHolds, TextStarts, TextHolds, None };

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
    auto holdsAll = [&](std::size_t row) {
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

    ranked_.clear();
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
        ranked_.emplace_back(rank, row);
    }
    std::stable_sort(ranked_.begin(), ranked_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    rows_.clear();
    for (const auto& [rank, row] : ranked_)
        rows_.push_back(row);
    chosen_ = 0;
}

} // namespace lumora
