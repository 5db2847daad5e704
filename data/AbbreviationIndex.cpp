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

template <class T> bool Holds(const std::vector<T*>& list, const T* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

int AbbreviationIndex::CompareStringData(const AbbreviationEntry& item1, const AbbreviationEntry& item2) {
    return CompareLower(item1.LowerValue, item2.LowerValue);
}

void AbbreviationIndex::DeleteAt(std::int32_t index) {
    list_.erase(list_.begin() + index);
}

void AbbreviationIndex::Sort() {
    if (list_.size() > 1) {
        std::sort(list_.begin(), list_.end(),
                  [](const auto& a, const auto& b) { return CompareStringData(*a, *b) < 0; });
    }
}

void AbbreviationIndex::Clear() {
    list_.clear();
}

void AbbreviationIndex::InsertAt(std::int32_t index, const std::u16string& value, void* data) {
    auto record = std::make_unique<AbbreviationEntry>();
    record->Data = data;
    record->Value = value;
    record->LowerValue = LowerCased(value);
    list_.insert(list_.begin() + index, std::move(record));
}

void AbbreviationIndex::Add(const std::u16string& value, void* data) {
    InsertAt(Count(), value, data);
}

// The halving as a loop: it narrows [lo, hi] step for step as a recursive one would, so it meets
// the same entry of an equal run, and the callers' walks over the run start there.
std::int32_t AbbreviationIndex::FindIndex(std::int32_t lo, std::int32_t hi,
                                        std::u16string_view lower) const {
    while (lo <= hi && lo >= 0) {
        std::int32_t mid = lo + (hi - lo) / 2;
        if (mid >= Count()) return -1;
        int c = CompareLower(list_[mid]->LowerValue, lower);
        if (c > 0)
            hi = mid - 1;
        else if (c < 0)
            lo = mid + 1;
        else
            return mid;
    }
    return -1;
}

std::int32_t AbbreviationIndex::FindInsertIndex(std::int32_t lo, std::int32_t hi, bool& found,
                                              std::u16string_view lower) const {
    for (;;) {
        std::int32_t result = (lo >= 0 && lo <= Count()) ? lo : 0;
        if (lo > hi || lo < 0) return result;
        std::int32_t mid = lo + (hi - lo) / 2;
        if (mid >= Count()) return result;
        int c = CompareLower(list_[mid]->LowerValue, lower);
        if (c > 0)
            hi = mid - 1;
        else if (c < 0)
            lo = mid + 1;
        else {
            found = true;
            return mid;
        }
    }
}

bool AbbreviationIndex::RunEqual(std::int32_t index, std::u16string_view value) const {
    return CompareTextInvariant(list_[index]->Value, value) == 0;
}

void AbbreviationIndex::Insert(const std::u16string& value, void* data) {
    bool found = false;
    std::int32_t p = FindInsertIndex(0, Count() - 1, found, LowerCased(value));
    if (p >= 0 && p <= Count()) InsertAt(p, value, data);
}

bool AbbreviationIndex::Delete(const std::u16string& value, void* data) {
    std::int32_t h = FindIndex(0, Count() - 1, LowerCased(value));
    if (h < 0) return false;
    if (list_[h]->Data == data) {
        DeleteAt(h);
        return true;
    }
    for (std::int32_t k = h - 1; k >= 0 && RunEqual(k, value); --k) {
        if (list_[k]->Data == data) {
            DeleteAt(k);
            return true;
        }
    }
    for (std::int32_t k = h + 1; k < Count() && RunEqual(k, value); ++k) {
        if (list_[k]->Data == data) {
            DeleteAt(k);
            return true;
        }
    }
    return false;
}

void AbbreviationIndex::DeleteSlow(void* data, bool findAll) {
    for (std::int32_t k = Count() - 1; k >= 0; --k) {
        if (list_[k]->Data == data) {
            DeleteAt(k);
            if (!findAll) return;
        }
    }
}

void AbbreviationIndex::FindWithValue(std::u16string_view value,
                                    std::vector<AbbreviationEntry*>& destList) const {
    FindWithValue(value, LowerCased(value), destList);
}

void AbbreviationIndex::FindWithValue(std::u16string_view value, std::u16string_view lowerValue,
                                    std::vector<AbbreviationEntry*>& destList) const {
    std::int32_t h = FindIndex(0, Count() - 1, lowerValue);
    if (h < 0 || h >= Count()) return;
    if (!Holds<AbbreviationEntry>(destList, list_[h].get())) destList.push_back(list_[h].get());
    for (std::int32_t k = h - 1; k >= 0 && RunEqual(k, value); --k)
        destList.push_back(list_[k].get());
    for (std::int32_t k = h + 1; k < Count() && RunEqual(k, value); ++k)
        destList.push_back(list_[k].get());
}

void* AbbreviationIndex::Find(const std::u16string& value) const {
    std::int32_t h = FindIndex(0, Count() - 1, LowerCased(value));
    return h < 0 ? nullptr : list_[h]->Data;
}

void AbbreviationIndex::Find(const std::u16string& value, std::vector<void*>& destList) const {
    std::int32_t h = FindIndex(0, Count() - 1, LowerCased(value));
    if (h < 0 || h >= Count()) return;
    if (!Holds<void>(destList, list_[h]->Data)) destList.push_back(list_[h]->Data);
    // Each direction stops at the first entry whose Data is already held.
    for (std::int32_t k = h - 1; k >= 0 && RunEqual(k, value); --k) {
        if (Holds<void>(destList, list_[k]->Data)) break;
        destList.push_back(list_[k]->Data);
    }
    for (std::int32_t k = h + 1; k < Count() && RunEqual(k, value); ++k) {
        if (Holds<void>(destList, list_[k]->Data)) break;
        destList.push_back(list_[k]->Data);
    }
}

void AbbreviationIndex::FindWithValuePart(const std::u16string& value,
                                        std::vector<AbbreviationEntry*>& destList,
                                        std::int32_t partDif) const {
    const std::u16string lower = LowerCased(value);
    bool found = false;
    std::int32_t p = FindInsertIndex(0, Count() - 1, found, lower);
    if (p >= Count()) return;
    auto append = [&](AbbreviationEntry* record) {
        if (!Holds<AbbreviationEntry>(destList, record)) destList.push_back(record);
    };
    if (found) {
        append(list_[p].get());
        for (std::int32_t k = p - 1; k >= 0 && RunEqual(k, value); --k)
            append(list_[k].get());
    }
    const auto valueLength = static_cast<std::int64_t>(value.size());
    for (std::int32_t k = found ? p + 1 : p; k < Count(); ++k) {
        const AbbreviationEntry& entry = *list_[k];
        if (entry.LowerValue.find(lower) == std::u16string::npos) break;
        const auto length = static_cast<std::int64_t>(entry.Value.size());
        if (length - valueLength >= partDif || length <= valueLength) append(list_[k].get());
    }
}

void AbbreviationIndex::GetStrings(std::vector<std::u16string>* aList) const {
    GetStringsEx(aList, nullptr);
}

void AbbreviationIndex::GetStringsEx(std::vector<std::u16string>* aList,
                                   const TDataListFilterProc& filter) const {
    if (!aList) return;
    std::u16string last;
    for (const auto& entry : list_) {
        if (filter && !filter(entry->Data)) continue;
        if (entry->Value != last) {
            aList->push_back(entry->Value);
            last = entry->Value;
        }
    }
}

} // namespace lumora
