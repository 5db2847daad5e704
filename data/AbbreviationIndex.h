#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

class Phrase;

// One abbreviation of the index and the phrase it belongs to. The index never looks at the
// phrase itself, and never frees it.
struct AbbreviationEntry {
    std::u16string Abbreviation;
    // Lower-cased once when stored, so that comparisons of the order allocate nothing.
    std::u16string Lower;
    Phrase* Record = nullptr;
};

// Every phrase's abbreviation, kept in case-insensitive order and searched by halving; entries
// with equal abbreviations stand together and a lookup returns the whole run of them. Two
// comparisons are used: the order (lower-cased code units) and the run equality
// (CompareTextInvariant); they agree on which abbreviations are equal.
//
// Entries stand side by side (the halving reads one cache line per step, the lower-cased
// abbreviation of up to seven units sitting inside its entry): an AbbreviationEntry* from Find
// must not be kept past the next change of the index.
class AbbreviationIndex {
public:
    AbbreviationIndex() = default;
    AbbreviationIndex(const AbbreviationIndex&) = delete;
    AbbreviationIndex& operator=(const AbbreviationIndex&) = delete;

    std::int32_t Count() const {
        Compact();
        return static_cast<std::int32_t>(entries_.size());
    }
    const AbbreviationEntry& At(std::int32_t index) const {
        Compact();
        return entries_[index];
    }
    // Some abbreviation is this many code units long: a text's suffix of another length
    // needs no lookup.
    bool HasLength(std::size_t length) const {
        return length < lengthCounts_.size() && lengthCounts_[length] != 0;
    }

    // While a phrase file is read, new abbreviations are appended unsorted and the index is
    // sorted once at the end (see LoadScope): a sorted insert per phrase would cost quadratic
    // time.
    bool LoadingPhrases() const { return loadingPhrases_; }
    class LoadScope {
    public:
        explicit LoadScope(AbbreviationIndex& index);
        ~LoadScope();
        LoadScope(const LoadScope&) = delete;
        LoadScope& operator=(const LoadScope&) = delete;

    private:
        AbbreviationIndex& index_;
    };

    // Appends without regard to order (during a load, before Sort).
    void Add(const std::u16string& abbreviation, Phrase* phrase);
    // Inserts at the place the order gives: before the entry of an equal run that the halving
    // meets.
    void Insert(const std::u16string& abbreviation, Phrase* phrase);
    // Removes the entry of this abbreviation and phrase; true when there was one.
    bool Remove(const std::u16string& abbreviation, const Phrase* phrase);
    // Removes the last entry of the phrase, walking the whole index: finds it also while the
    // index is unsorted.
    void RemoveByWalk(const Phrase* phrase);
    void Sort();
    // Removes every entry at once.
    void Clear();

    // Appends the entries equal to the abbreviation: the one met by the halving (unless found
    // holds it already), then its equal neighbours below, nearest first, then those above.
    // Never clears found.
    void Find(std::u16string_view abbreviation, std::vector<const AbbreviationEntry*>& found) const;
    // The same for an abbreviation the caller has lower-cased already (LowerCaseBuffer): the
    // candidate search lower-cases its text once for all the suffixes it looks up.
    void Find(std::u16string_view abbreviation, std::u16string_view lower,
              std::vector<const AbbreviationEntry*>& found) const;

private:
    // Where the halving over the sorted entries ends: an entry equal to lower (Found), or the
    // place lower would be inserted at.
    struct Halving {
        std::int32_t At = 0;
        bool Found = false;
    };
    Halving Halve(std::u16string_view lower) const;
    std::int32_t FindIndex(std::u16string_view lower) const {
        const Halving h = Halve(lower);
        return h.Found ? h.At : -1;
    }
    std::int32_t FindInsertIndex(std::u16string_view lower) const { return Halve(lower).At; }
    bool RunEqual(std::int32_t index, std::u16string_view abbreviation) const;
    void RemoveAt(std::int32_t index);
    void Counted(std::size_t length, int change);
    // Drops the entries removed since the last time.
    void Compact() const;
    // A bit per hash of a lower-cased abbreviation: a text's suffix whose bit is clear needs
    // no halving (most lookups of the mode that accepts every position, at 100,000 phrases).
    // Removed abbreviations leave their bit until the next rebuild: it only ever says maybe.
    static std::size_t FilterBit(std::u16string_view lower);
    void Mark(std::u16string_view lower);
    void RebuildFilter() const;

    // A removed entry stays in its place, without a phrase, until enough of them are there to
    // drop at once: removing the phrases one by one (at exit, in row order) costs linear time,
    // not quadratic. The order is kept meanwhile, so the halving still works.
    mutable std::vector<AbbreviationEntry> entries_;
    mutable std::size_t removed_ = 0;
    // Made at the first abbreviation, so that an empty index (a fuzzing run, a test) costs
    // no 128 KiB.
    mutable std::vector<std::uint64_t> filter_;
    static constexpr std::size_t FilterWords = 1 << 14; // 2^20 bits, 128 KiB
    std::vector<std::uint32_t> lengthCounts_;           // abbreviations by length
    bool loadingPhrases_ = false;
};

} // namespace lumora
