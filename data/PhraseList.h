#pragma once
#include "data/Phrase.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace lumora {

// Lets the grid widget follow the rows.
class PhraseListObserver {
public:
    virtual ~PhraseListObserver() = default;
    virtual void RowAppended(std::size_t index) = 0;
    virtual void RowDeleted(std::size_t index) = 0;
    virtual void RowsCleared() = 0;
    // A row came in before the row that had this index (an undone delete).
    virtual void RowInserted(std::size_t index) { RowAppended(index); }
    // Between these the grid need not redraw.
    virtual void BatchBegun() {}
    virtual void BatchEnded() {}
};

// The program's list of phrases, in the order the phrase file keeps them and the phrase grid
// shows them (one row each). Each row owns its phrase.
class PhraseList {
public:
    PhraseList() = default;
    PhraseList(const PhraseList&) = delete;
    PhraseList& operator=(const PhraseList&) = delete;
    ~PhraseList() { ClearPhrases(); }

    std::size_t Count() const { return rows_.size(); }
    Phrase& At(std::size_t index) const { return *rows_.at(index); }

    Phrase& Append(std::unique_ptr<Phrase> phrase) {
        rows_.push_back(std::move(phrase));
        if (observer_) observer_->RowAppended(rows_.size() - 1);
        return *rows_.back();
    }
    // A new phrase with these values, in a new last row.
    Phrase& AppendPhrase(AbbreviationIndex& index, const std::u16string& abbreviation,
                         std::u16string text) {
        Phrase& phrase = Append(std::make_unique<Phrase>(index));
        phrase.SetAbbreviation(abbreviation);
        phrase.SetText(std::move(text));
        return phrase;
    }

    // A new phrase with these values, in a new row at that index (at most Count()).
    Phrase& InsertPhrase(std::size_t at, AbbreviationIndex& index,
                         const std::u16string& abbreviation, std::u16string text) {
        at = std::min(at, rows_.size());
        auto phrase = std::make_unique<Phrase>(index);
        phrase->SetAbbreviation(abbreviation);
        phrase->SetText(std::move(text));
        Phrase& inserted = *phrase;
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(phrase));
        if (observer_) observer_->RowInserted(at);
        return inserted;
    }

    // Frees the row's phrase (which takes itself out of the index) and removes the row.
    void DeleteAt(std::size_t index) {
        rows_.at(index).reset();
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
        if (observer_) observer_->RowDeleted(index);
    }

    // Frees every phrase, first to last, then removes all rows.
    void ClearPhrases() {
        EmptyIndexAtOnce();
        for (auto& row : rows_)
            row.reset();
        rows_.clear();
        if (observer_) observer_->RowsCleared();
    }

    // Position of a phrase among the rows, or Count() when it is not one of them.
    std::size_t IndexOf(const Phrase* phrase) const {
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].get() == phrase) return i;
        return rows_.size();
    }

    void SetObserver(PhraseListObserver* observer) { observer_ = observer; }

    // Batch mode nests; the observer hears only the outermost begin and end.
    void BeginBatch() {
        if (batchDepth_++ == 0 && observer_) observer_->BatchBegun();
    }
    void EndBatch() {
        if (batchDepth_ > 0 && --batchDepth_ == 0 && observer_) observer_->BatchEnded();
    }
    bool InBatch() const { return batchDepth_ > 0; }

private:
    // When the rows' phrases are all the index holds, it is emptied in one step: taken out
    // one by one, 200,000 phrases would cost a halving each.
    void EmptyIndexAtOnce() {
        if (rows_.empty()) return;
        AbbreviationIndex& index = rows_.front()->Index();
        if (index.LoadingPhrases()) return;
        std::size_t entries = 0;
        for (const auto& row : rows_) {
            if (&row->Index() != &index) return;
            if (!row->Abbreviation().empty()) ++entries;
        }
        if (entries != static_cast<std::size_t>(index.Count())) return;
        index.Clear();
        for (auto& row : rows_)
            row->ForgetIndexEntry();
    }

    std::vector<std::unique_ptr<Phrase>> rows_;
    PhraseListObserver* observer_ = nullptr;
    int batchDepth_ = 0;
};

// Ends a batch on every path out of a scope.
class PhraseListBatch {
public:
    explicit PhraseListBatch(PhraseList& rows) : rows_(rows) { rows_.BeginBatch(); }
    ~PhraseListBatch() { rows_.EndBatch(); }
    PhraseListBatch(const PhraseListBatch&) = delete;
    PhraseListBatch& operator=(const PhraseListBatch&) = delete;

private:
    PhraseList& rows_;
};

} // namespace lumora
