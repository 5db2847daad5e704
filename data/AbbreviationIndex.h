#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// One entry of a AbbreviationIndex. Data is untyped (void*), as the list is a general container:
// in PhraseIndex it is the Phrase the entry stands for; cast it back with
// static_cast<Phrase*>. The list never frees Data.
struct AbbreviationEntry {
    void* Data = nullptr;
    std::u16string Value;
    // Value lower-cased once when stored, so that comparisons of the order allocate nothing.
    std::u16string LowerValue;
};

// The list base: a count of items and the operations that act on the storage.
class TDataList {
public:
    virtual ~TDataList() = default;
    virtual std::int32_t Count() const = 0;
    virtual void DeleteAt(std::int32_t index) = 0;
    virtual void Sort() = 0;
    virtual void Clear() = 0;
};

// Predicate over an entry's Data, for GetStringsEx.
using TDataListFilterProc = std::function<bool(void* AData)>;

// Entries kept in case-insensitive order of their values and searched by halving; entries with
// equal values stand together and the searches return the whole run of them. Two comparisons
// are used: the value order (lower-cased code units) and the run equality
// (CompareTextInvariant); they agree on which values are equal.
//
// Records live at stable addresses: a AbbreviationEntry* from FindWithValue stays valid until that
// entry is removed, but must not be kept past the next change of the list.
class AbbreviationIndex : public TDataList {
public:
    AbbreviationIndex() = default;
    AbbreviationIndex(const AbbreviationIndex&) = delete;
    AbbreviationIndex& operator=(const AbbreviationIndex&) = delete;
    ~AbbreviationIndex() override = default;

    std::int32_t Count() const override { return static_cast<std::int32_t>(list_.size()); }
    void DeleteAt(std::int32_t index) override;
    void Sort() override;
    void Clear() override;
    virtual void InsertAt(std::int32_t index, const std::u16string& value, void* data);

    // Appends without regard to order (during a phrase-file load, before Sort).
    void Add(const std::u16string& value, void* data);
    // Inserts at the place the order gives: before the entry of an equal run that the halving
    // meets.
    void Insert(const std::u16string& value, void* data);
    // Removes at most one entry with an equal value and this data; true when one was removed.
    bool Delete(const std::u16string& value, void* data);
    // Walks from the last entry down, removing entries whose Data is data; stops after the
    // first unless findAll.
    void DeleteSlow(void* data, bool findAll);

    // Appends the entries equal to value: the one met by the halving (unless destList holds it
    // already), then its equal neighbours below, nearest first, then those above. Never clears
    // destList.
    void FindWithValue(std::u16string_view value, std::vector<AbbreviationEntry*>& destList) const;
    // The same for a value the caller has lower-cased already (lowerValue, LowerCaseBuffer of
    // value): the candidate search lower-cases its text once for all the suffixes it looks up.
    void FindWithValue(std::u16string_view value, std::u16string_view lowerValue,
                       std::vector<AbbreviationEntry*>& destList) const;
    // The Data of the entry met by the halving, or null.
    void* Find(const std::u16string& value) const;
    // Like FindWithValue, but appends the Data pointers, each only once.
    void Find(const std::u16string& value, std::vector<void*>& destList) const;
    // Entries equal to value, then the following entries whose value contains value (see the
    // cpp for the exact walk), limited by partDif.
    void FindWithValuePart(const std::u16string& value, std::vector<AbbreviationEntry*>& destList,
                           std::int32_t partDif) const;
    void GetStrings(std::vector<std::u16string>* aList) const;
    void GetStringsEx(std::vector<std::u16string>* aList, const TDataListFilterProc& filter) const;

    const AbbreviationEntry& At(std::int32_t index) const { return *list_[index]; }

    // The value order of two records: -1, 0, 1 over the lower-cased code units.
    static int CompareStringData(const AbbreviationEntry& item1, const AbbreviationEntry& item2);

private:
    std::int32_t FindIndex(std::int32_t lo, std::int32_t hi, std::u16string_view lower) const;
    std::int32_t FindInsertIndex(std::int32_t lo, std::int32_t hi, bool& found,
                                 std::u16string_view lower) const;
    bool RunEqual(std::int32_t index, std::u16string_view value) const;

    std::vector<std::unique_ptr<AbbreviationEntry>> list_;
};

} // namespace lumora
