// The phrase list's filter: the grid's lines over the rows, kept in step as the rows change.
#include "editor/PhraseFilter.h"

#include <algorithm>

namespace lumora {

namespace {

// Thousands apart, as the user reads them.
std::u16string Grouped(std::size_t n) {
    const std::string digits = std::to_string(n);
    std::u16string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += u',';
        out += static_cast<char16_t>(digits[i]);
    }
    return out;
}

bool HasWord(std::u16string_view query) {
    return query.substr(0, std::min(query.size(), SearchQueryLimit)).find_first_not_of(u' ') !=
           std::u16string_view::npos;
}

} // namespace

PhraseFilter::PhraseFilter(PhraseList& rows) : rows_(rows), search_(rows) {}

PhraseFilter::~PhraseFilter() {
    if (following_) rows_.SetObserver(nullptr);
}

void PhraseFilter::SetObserver(PhraseListObserver* lines) {
    lines_ = lines;
    following_ = lines != nullptr;
    rows_.SetObserver(following_ ? this : nullptr);
    // Whatever changed while no one followed the rows is read again.
    stale_ = true;
}

void PhraseFilter::SetQuery(std::u16string_view query) {
    // Every line may show another phrase now: the grid hears of it as of a load.
    if (lines_) lines_->BatchBegun();
    query_.assign(query);
    filtered_ = HasWord(query);
    Refilter();
    if (lines_) lines_->BatchEnded();
}

void PhraseFilter::Refilter() {
    refilterAtBatchEnd_ = false;
    if (!filtered_) {
        shown_.clear();
        return;
    }
    if (stale_) {
        search_.Refresh();
        stale_ = false;
    }
    search_.SetQuery(query_);
    shown_ = search_.Found();
}

std::optional<std::size_t> PhraseFilter::PhraseAt(std::size_t line) const {
    if (line >= LineCount()) return std::nullopt;
    return filtered_ ? shown_[line] : line;
}

std::optional<std::size_t> PhraseFilter::LineOf(std::size_t row) const {
    if (row >= rows_.Count()) return std::nullopt;
    if (!filtered_) return row;
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), row);
    if (at == shown_.end() || *at != row) return std::nullopt;
    return static_cast<std::size_t>(at - shown_.begin());
}

std::optional<std::size_t> PhraseFilter::Reveal(std::size_t row) {
    if (row >= rows_.Count()) return std::nullopt;
    if (const auto line = LineOf(row)) return line;
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), row);
    const auto line = static_cast<std::size_t>(at - shown_.begin());
    shown_.insert(at, row);
    if (lines_) lines_->RowInserted(line);
    return line;
}

std::u16string PhraseFilter::ShownText() const {
    if (!filtered_) return {};
    return Grouped(shown_.size()) + u" of " + Grouped(rows_.Count()) + u" phrases shown";
}

void PhraseFilter::RowAppended(std::size_t index) {
    stale_ = true;
    if (filtered_) {
        // A load's rows are filtered once it ends; one the user adds stays in sight.
        if (rows_.InBatch()) {
            refilterAtBatchEnd_ = true;
            return;
        }
        shown_.push_back(index);
        index = shown_.size() - 1;
    }
    if (lines_) lines_->RowAppended(index);
}

void PhraseFilter::RowDeleted(std::size_t index) {
    stale_ = true;
    if (filtered_) {
        const auto at = std::lower_bound(shown_.begin(), shown_.end(), index);
        const bool wasShown = at != shown_.end() && *at == index;
        const auto line = static_cast<std::size_t>(at - shown_.begin());
        auto next = wasShown ? shown_.erase(at) : at;
        // The rows after it move up one.
        for (; next != shown_.end(); ++next)
            --*next;
        if (!wasShown) return;
        index = line;
    }
    if (lines_) lines_->RowDeleted(index);
}

void PhraseFilter::RowInserted(std::size_t index) {
    stale_ = true;
    if (filtered_) {
        auto at = std::lower_bound(shown_.begin(), shown_.end(), index);
        // The rows from there move down one; the new one is shown, as the user brought it back.
        for (auto it = at; it != shown_.end(); ++it)
            ++*it;
        const auto line = static_cast<std::size_t>(at - shown_.begin());
        shown_.insert(at, index);
        index = line;
    }
    if (lines_) lines_->RowInserted(index);
}

void PhraseFilter::RowsCleared() {
    stale_ = true;
    shown_.clear();
    // Rows read back outside a batch are filtered as they come; those in one, at its end.
    if (filtered_) refilterAtBatchEnd_ = true;
    if (lines_) lines_->RowsCleared();
}

void PhraseFilter::BatchBegun() {
    if (lines_) lines_->BatchBegun();
}

void PhraseFilter::BatchEnded() {
    if (filtered_ && refilterAtBatchEnd_) Refilter();
    if (lines_) lines_->BatchEnded();
}

} // namespace lumora
