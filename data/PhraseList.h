#pragma once
#include "data/Phrase.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace lumora {

// Lets the grid widget follow the rows.
class TPhraseRowsObserver {
public:
    virtual ~TPhraseRowsObserver() = default;
    virtual void RowAppended(std::size_t index) = 0;
    virtual void RowDeleted(std::size_t index) = 0;
    virtual void RowsCleared() = 0;
    // Between these the grid need not redraw.
    virtual void BatchBegun() {}
    virtual void BatchEnded() {}
};

// The grid's rows: the program's master list of phrases, in the order the phrase file is
// written. Each row owns its phrase. Header-only, so that the phrase file (data/) can fill it
// without the two libraries depending on each other.
class TPhraseRows {
public:
    TPhraseRows() = default;
    TPhraseRows(const TPhraseRows&) = delete;
    TPhraseRows& operator=(const TPhraseRows&) = delete;
    ~TPhraseRows() { ClearPhrases(); }

    std::size_t Count() const { return fRows.size(); }
    TMiniData& At(std::size_t index) const { return *fRows.at(index); }

    TMiniData& Append(std::unique_ptr<TMiniData> phrase) {
        fRows.push_back(std::move(phrase));
        if (fObserver) fObserver->RowAppended(fRows.size() - 1);
        return *fRows.back();
    }
    // A new phrase of data with these values, in a new last row.
    TMiniData& AppendPhrase(TPhraseData& data, const std::u16string& autotext,
                            std::u16string text) {
        TMiniData& phrase = Append(std::make_unique<TMiniData>(data));
        phrase.SetAutotext(autotext);
        phrase.SetText(std::move(text));
        return phrase;
    }

    // Frees the row's phrase (which takes itself out of the index) and removes the row.
    void DeleteAt(std::size_t index) {
        fRows.at(index).reset();
        fRows.erase(fRows.begin() + static_cast<std::ptrdiff_t>(index));
        if (fObserver) fObserver->RowDeleted(index);
    }

    // Frees every phrase, first to last, then removes all rows.
    void ClearPhrases() {
        for (auto& row : fRows)
            row.reset();
        fRows.clear();
        if (fObserver) fObserver->RowsCleared();
    }

    // Position of a phrase among the rows, or Count() when it is not one of them.
    std::size_t IndexOf(const TMiniData* phrase) const {
        for (std::size_t i = 0; i < fRows.size(); ++i)
            if (fRows[i].get() == phrase) return i;
        return fRows.size();
    }

    void SetObserver(TPhraseRowsObserver* observer) { fObserver = observer; }

    // Batch mode nests; the observer hears only the outermost begin and end.
    void BeginBatch() {
        if (fBatchDepth++ == 0 && fObserver) fObserver->BatchBegun();
    }
    void EndBatch() {
        if (fBatchDepth > 0 && --fBatchDepth == 0 && fObserver) fObserver->BatchEnded();
    }
    bool InBatch() const { return fBatchDepth > 0; }

private:
    std::vector<std::unique_ptr<TMiniData>> fRows;
    TPhraseRowsObserver* fObserver = nullptr;
    int fBatchDepth = 0;
};

// Ends a batch on every path out of a scope.
class TRowsBatch {
public:
    explicit TRowsBatch(TPhraseRows& rows) : fRows(rows) { fRows.BeginBatch(); }
    ~TRowsBatch() { fRows.EndBatch(); }
    TRowsBatch(const TRowsBatch&) = delete;
    TRowsBatch& operator=(const TRowsBatch&) = delete;

private:
    TPhraseRows& fRows;
};

} // namespace lumora
