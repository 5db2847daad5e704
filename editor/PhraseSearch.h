#pragma once
// The search window's filter: which phrases a query finds, best first.
#include "data/PhraseList.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The longest query that counts; the rest of a longer one is not looked at.
inline constexpr std::size_t SearchQueryLimit = 256;
// Above this many phrases a list filtered as the user types is filled anew only once the keys
// stop for FilterDelayMs: filtering after every key of a fast typist made the list trail them.
inline constexpr std::size_t FilterAtOnceUpTo = 500;
inline constexpr unsigned FilterDelayMs = 120;

// The rows of the phrases whose abbreviation or text holds every word of the query, without
// regard to case; best first: the abbreviation equal to the query, then beginning with it,
// then holding it, then the text beginning with it, then holding it, and in each group the
// list's own order. An empty query finds every phrase, in the list's order. A word said twice
// counts once, and so does one that another word holds.
std::vector<std::size_t> SearchPhrases(const PhraseList& phrases, std::u16string_view query);

// What the search window shows and which line is chosen: the found rows for the query typed
// so far, Up and Down moving the choice (staying on the list), the best match chosen anew at
// every change of the query. The phrases are lowered once, at Refresh, not at every key; a
// query that only adds to the last one looks only among the phrases that one found.
class SearchList {
public:
    explicit SearchList(const PhraseList& phrases) : phrases_(phrases) { Refresh(); }

    // The phrases may have changed: read them again (when the window opens).
    void Refresh();
    void SetQuery(std::u16string_view query);
    void Up() {
        if (chosen_ > 0) --chosen_;
    }
    void Down() {
        if (chosen_ + 1 < rows_.size()) ++chosen_;
    }
    void Choose(std::size_t line) {
        if (line < rows_.size()) chosen_ = line;
    }
    const std::vector<std::size_t>& Rows() const { return rows_; }
    // The same rows in the list's order.
    const std::vector<std::size_t>& Found() const { return holding_; }
    std::size_t ChosenLine() const { return chosen_; }
    // The phrase to type: none when nothing is found.
    const Phrase* Chosen() const {
        return chosen_ < rows_.size() ? &phrases_.At(rows_[chosen_]) : nullptr;
    }

private:
    const PhraseList& phrases_;
    // Every abbreviation and text lowered, one after the other: row r's abbreviation is
    // [starts_[2r], starts_[2r+1]), its text [starts_[2r+1], starts_[2r+2]).
    std::u16string lowered_;
    std::vector<std::size_t> starts_;
    // Per row, the pairs of neighbouring characters its texts hold, hashed into 512 bits: a
    // word with a pair the row lacks is not in it, which spares reading the row's text.
    using PairBits = std::array<std::uint64_t, 8>;
    std::vector<PairBits> pairs_;
    // The last query's words and the rows holding them all, in row order.
    std::vector<std::u16string> words_;
    std::vector<std::size_t> holding_;
    bool searched_ = false;
    std::vector<std::uint8_t> ranks_; // beside holding_

    std::vector<std::size_t> rows_;
    std::size_t chosen_ = 0;
};

} // namespace lumora
