#pragma once
// The phrase list's filter box: which phrases the grid shows while a query is typed there, and
// which phrase each of the grid's lines shows.
#include "data/PhraseList.h"
#include "editor/PhraseSearch.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The grid's lines over the rows. With a query, the lines show the phrases whose abbreviation
// or text holds every word of it (as the search window finds them), in the list's order; with
// none, every phrase, line n showing row n. The filter follows the rows in the grid's place and
// tells the grid of its lines instead, so that no line is taken for another's phrase.
//
// A phrase the user brings in shows whether or not the query finds it, until the query changes:
// New item's row, a deleted row brought back, the phrase an undone edit changed. An edit that
// makes a shown phrase no longer match leaves it shown: rows do not vanish under the user's
// hands. A reload (the rows cleared and read again) shows what the query finds in them.
class PhraseFilter final : public PhraseListObserver {
public:
    explicit PhraseFilter(PhraseList& rows);
    ~PhraseFilter() override;
    PhraseFilter(const PhraseFilter&) = delete;
    PhraseFilter& operator=(const PhraseFilter&) = delete;

    // The grid, which hears of lines where the rows' observer hears of rows; the filter
    // follows the rows from now on (none: it stops).
    void SetObserver(PhraseListObserver* lines);

    // Shows the phrases this query finds: every phrase when it holds no word. The grid hears
    // of it as of a batch, all its lines anew.
    void SetQuery(std::u16string_view query);
    const std::u16string& Query() const { return query_; }
    bool Filtered() const { return filtered_; }

    std::size_t LineCount() const { return filtered_ ? shown_.size() : rows_.Count(); }
    // The row a line shows; none past the last line.
    std::optional<std::size_t> PhraseAt(std::size_t line) const;
    // The line showing a row; none while the filter hides it.
    std::optional<std::size_t> LineOf(std::size_t row) const;
    // Shows a row the query does not find (until the query changes); its line.
    std::optional<std::size_t> Reveal(std::size_t row);
    // A phrase's texts changed in place (an edit, an undo): the next query reads them anew.
    void PhrasesChanged() { stale_ = true; }
    // The status bar's "N of M phrases shown" while filtered; empty otherwise.
    std::u16string ShownText() const;

    // PhraseListObserver: the rows' changes, told to the grid as lines.
    void RowAppended(std::size_t index) override;
    void RowDeleted(std::size_t index) override;
    void RowsCleared() override;
    void RowInserted(std::size_t index) override;
    void BatchBegun() override;
    void BatchEnded() override;

private:
    void Refilter();

    PhraseList& rows_;
    PhraseListObserver* lines_ = nullptr;
    bool following_ = false;
    std::u16string query_;
    bool filtered_ = false;
    // The rows shown while filtered, ascending.
    std::vector<std::size_t> shown_;
    SearchList search_;
    // The search's lowered copy of the phrases is out of date.
    bool stale_ = false;
    // Rows came in during a batch (a load): the query is run again over them at its end.
    bool refilterAtBatchEnd_ = false;
};

} // namespace lumora
