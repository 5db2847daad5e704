// The abbreviation index: every abbreviation, sorted case-insensitively, found by halving.
#include "data/AbbreviationIndex.h"

#include "platform/TextCase.h"

#include <algorithm>

namespace lumora {

namespace {

int CompareLower(std::u16string_view a, std::u16string_view b) {
    // char16_t compares as unsigned 16-bit code units; a prefix is less.
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace

AbbreviationIndex::LoadScope::LoadScope(AbbreviationIndex& index) : index_(index) {
    index_.loadingPhrases_ = true;
}

AbbreviationIndex::LoadScope::~LoadScope() {
    index_.loadingPhrases_ = false;
    index_.Sort();
}

void AbbreviationIndex::Sort() {
    Compact();
    std::sort(entries_.begin(), entries_.end(),
              [](const auto& a, const auto& b) { return CompareLower(a.Lower, b.Lower) < 0; });
}

std::size_t AbbreviationIndex::FilterBit(std::u16string_view lower) {
    std::uint32_t h = 2166136261u; // FNV-1a
    for (char16_t c : lower) {
        h = (h ^ (c & 0xFF)) * 16777619u;
        h = (h ^ (c >> 8)) * 16777619u;
    }
    return h & (FilterWords * 64 - 1);
}

void AbbreviationIndex::Mark(std::u16string_view lower) {
    if (filter_.empty()) filter_.assign(FilterWords, 0);
    const std::size_t bit = FilterBit(lower);
    filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

void AbbreviationIndex::RebuildFilter() const {
    if (entries_.empty()) {
        filter_ = {};
        return;
    }
    filter_.assign(FilterWords, 0);
    for (const AbbreviationEntry& e : entries_) {
        const std::size_t bit = FilterBit(e.Lower);
        filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

void AbbreviationIndex::Counted(std::size_t length, int change) {
    if (length >= lengthCounts_.size()) lengthCounts_.resize(length + 1);
    lengthCounts_[length] = static_cast<std::uint32_t>(lengthCounts_[length] + change);
}

void AbbreviationIndex::Add(const std::u16string& abbreviation, Phrase* phrase) {
    entries_.push_back({abbreviation, LowerCased(abbreviation), phrase});
    Mark(entries_.back().Lower);
    Counted(abbreviation.size(), +1);
}

// The halving as a loop: it narrows [lo, hi] step for step as a recursive one would, so it meets
// the same entry of an equal run, and the walks over the run start there.
AbbreviationIndex::Halving AbbreviationIndex::Halve(std::u16string_view lower) const {
    std::int32_t lo = 0, hi = static_cast<std::int32_t>(entries_.size()) - 1;
    while (lo <= hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        const int c = CompareLower(entries_[mid].Lower, lower);
        if (c > 0)
            hi = mid - 1;
        else if (c < 0)
            lo = mid + 1;
        else
            return {mid, true};
    }
    return {lo, false};
}

bool AbbreviationIndex::RunEqual(std::int32_t index, std::u16string_view abbreviation) const {
    return CompareTextInvariant(entries_[index].Abbreviation, abbreviation) == 0;
}

void AbbreviationIndex::RemoveAt(std::int32_t index) {
    Counted(entries_[index].Abbreviation.size(), -1);
    entries_[index].Record = nullptr;
    ++removed_;
    if (removed_ * 2 > entries_.size()) Compact();
}

void AbbreviationIndex::Clear() {
    entries_.clear();
    removed_ = 0;
    lengthCounts_.clear();
    filter_ = {};
}

void AbbreviationIndex::Compact() const {
    if (removed_ == 0) return;
    std::erase_if(entries_, [](const AbbreviationEntry& e) { return e.Record == nullptr; });
    removed_ = 0;
    RebuildFilter();
}

void AbbreviationIndex::Insert(const std::u16string& abbreviation, Phrase* phrase) {
    std::u16string lower = LowerCased(abbreviation);
    Mark(lower);
    const std::int32_t at = FindInsertIndex(lower);
    entries_.insert(entries_.begin() + at, {abbreviation, std::move(lower), phrase});
    Counted(abbreviation.size(), +1);
}

bool AbbreviationIndex::Remove(const std::u16string& abbreviation, const Phrase* phrase) {
    const std::int32_t h = FindIndex(LowerCased(abbreviation));
    if (h < 0) return false;
    if (entries_[h].Record == phrase) {
        RemoveAt(h);
        return true;
    }
    for (std::int32_t k = h - 1; k >= 0 && RunEqual(k, abbreviation); --k) {
        if (entries_[k].Record == phrase) {
            RemoveAt(k);
            return true;
        }
    }
    for (std::int32_t k = h + 1;
         k < static_cast<std::int32_t>(entries_.size()) && RunEqual(k, abbreviation); ++k) {
        if (entries_[k].Record == phrase) {
            RemoveAt(k);
            return true;
        }
    }
    return false;
}

void AbbreviationIndex::RemoveByWalk(const Phrase* phrase) {
    for (std::int32_t k = static_cast<std::int32_t>(entries_.size()) - 1; k >= 0; --k) {
        if (entries_[k].Record == phrase) {
            RemoveAt(k);
            return;
        }
    }
}

void AbbreviationIndex::Find(std::u16string_view abbreviation,
                             std::vector<const AbbreviationEntry*>& found) const {
    Find(abbreviation, LowerCased(abbreviation), found);
}

void AbbreviationIndex::Find(std::u16string_view abbreviation, std::u16string_view lower,
                             std::vector<const AbbreviationEntry*>& found) const {
    if (filter_.empty()) return; // nothing was ever marked: the index is empty
    const std::size_t bit = FilterBit(lower);
    if ((filter_[bit / 64] >> (bit % 64) & 1) == 0) return;
    const std::int32_t h = FindIndex(lower);
    if (h < 0) return;
    const auto size = static_cast<std::int32_t>(entries_.size());
    if (entries_[h].Record && std::find(found.begin(), found.end(), &entries_[h]) == found.end())
        found.push_back(&entries_[h]);
    for (std::int32_t k = h - 1; k >= 0 && RunEqual(k, abbreviation); --k)
        if (entries_[k].Record) found.push_back(&entries_[k]);
    for (std::int32_t k = h + 1; k < size && RunEqual(k, abbreviation); ++k)
        if (entries_[k].Record) found.push_back(&entries_[k]);
}

} // namespace lumora
