#include "data/AbbreviationIndex.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumora {
namespace {

// Distinct addresses to stand for the caller's objects.
int objects[8];
void* D(int i) {
    return &objects[i];
}

std::vector<std::u16string> Values(const AbbreviationIndex& list) {
    std::vector<std::u16string> out;
    for (std::int32_t i = 0; i < list.Count(); ++i)
        out.push_back(list.At(i).Value);
    return out;
}

TEST(AbbreviationIndex, ShouldDoNothing_WhenEmpty) {
    AbbreviationIndex list;
    std::vector<AbbreviationEntry*> found;
    list.FindWithValue(u"abc", found);
    EXPECT_TRUE(found.empty());
    EXPECT_FALSE(list.Delete(u"abc", D(0)));
    EXPECT_EQ(list.Find(u"abc"), nullptr);
    list.Insert(u"abc", D(0));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0).Data, D(0));
}

TEST(AbbreviationIndex, ShouldOrderByLowerCasedCodeUnits_WhenInserted) {
    AbbreviationIndex list;
    for (auto v : {u"B", u"abc", u"a", u"_x", u"10", u"ab"})
        list.Insert(v, D(0));
    EXPECT_EQ(Values(list), (std::vector<std::u16string>{u"10", u"_x", u"a", u"ab", u"abc", u"B"}));
}

TEST(AbbreviationIndex, ShouldFindWholeRunWhateverTheCase_WhenLookedUpInCapitals) {
    AbbreviationIndex list;
    list.Insert(u"afk", D(0));
    list.Insert(u"brb", D(1));
    list.Insert(u"Brb", D(2));
    list.Insert(u"BRB", D(3));
    list.Insert(u"cu", D(4));
    std::vector<AbbreviationEntry*> found;
    list.FindWithValue(u"BRB", found);
    ASSERT_EQ(found.size(), 3u);
    std::vector<void*> data;
    for (auto* r : found)
        data.push_back(r->Data);
    std::sort(data.begin(), data.end());
    EXPECT_EQ(data, (std::vector<void*>{D(1), D(2), D(3)}));
    // The halving meets the middle of the run first, then its neighbours below and above.
    EXPECT_EQ(found[0], &list.At(2));
    EXPECT_EQ(found[1], &list.At(1));
    EXPECT_EQ(found[2], &list.At(3));
}

TEST(AbbreviationIndex, ShouldInsertBeforeTheMetEntry_WhenValueEqualsExisting) {
    AbbreviationIndex list;
    list.Insert(u"a", D(0));
    list.Insert(u"sig", D(1));
    list.Insert(u"z", D(2));
    list.Insert(u"Sig", D(3));
    EXPECT_EQ(Values(list), (std::vector<std::u16string>{u"a", u"Sig", u"sig", u"z"}));
}

TEST(AbbreviationIndex, ShouldDeleteOnlyTheEntryWithThatData_WhenRunHasSeveral) {
    AbbreviationIndex list;
    list.Insert(u"x", D(0));
    list.Insert(u"x", D(1));
    list.Insert(u"x", D(2));
    void* last = list.At(2).Data;
    EXPECT_TRUE(list.Delete(u"X", last));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NE(list.At(0).Data, last);
    EXPECT_NE(list.At(1).Data, last);
    EXPECT_FALSE(list.Delete(u"x", D(5)));
    EXPECT_EQ(list.Count(), 2);

    // The same pair twice: one goes, the other stays.
    list.Insert(u"y", D(3));
    list.Insert(u"y", D(3));
    EXPECT_TRUE(list.Delete(u"y", D(3)));
    std::vector<AbbreviationEntry*> found;
    list.FindWithValue(u"y", found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Data, D(3));
}

TEST(AbbreviationIndex, ShouldMissEntriesUntilSorted_WhenAppendedOutOfOrder) {
    AbbreviationIndex list;
    for (auto v : {u"m", u"z", u"a", u"b", u"c"})
        list.Add(v, D(0));
    std::vector<AbbreviationEntry*> found;
    list.FindWithValue(u"z", found);
    EXPECT_TRUE(found.empty());
    list.Sort();
    list.FindWithValue(u"z", found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Value, u"z");
}

TEST(AbbreviationIndex, ShouldNotRepeatMetRecordButRepeatNeighbours_WhenDestListHoldsThem) {
    AbbreviationIndex list;
    list.Insert(u"a", D(0));
    list.Insert(u"a", D(1));
    list.Insert(u"a", D(2));
    std::vector<AbbreviationEntry*> found;
    list.FindWithValue(u"a", found);
    ASSERT_EQ(found.size(), 3u);
    list.FindWithValue(u"a", found);
    EXPECT_EQ(found.size(), 5u);
}

TEST(AbbreviationIndex, ShouldCompareBeyondAscii_WhenValuesDifferInCase) {
    AbbreviationIndex list;
    list.Insert(u"\u00C9t\u00C9", D(0)); // ÉTÉ
    list.Insert(u"\u0416\u0416", D(1));  // ЖЖ
    list.Insert(u"\u03A3\u03A3", D(2));  // ΣΣ
    std::vector<AbbreviationEntry*> found;
    list.FindWithValue(u"\u00E9t\u00E9", found);
    list.FindWithValue(u"\u0436\u0436", found);
    list.FindWithValue(u"\u03C3\u03C3", found);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0]->Data, D(0));
    EXPECT_EQ(found[1]->Data, D(1));
    EXPECT_EQ(found[2]->Data, D(2));
}

TEST(AbbreviationIndex, ShouldWalkByAddress_WhenDeletingSlowly) {
    AbbreviationIndex list;
    list.Add(u"a", D(0));
    list.Add(u"b", D(1));
    list.Add(u"c", D(0));
    list.DeleteSlow(D(0), false);
    EXPECT_EQ(Values(list), (std::vector<std::u16string>{u"a", u"b"}));
    list.Add(u"d", D(0));
    list.DeleteSlow(D(0), true);
    EXPECT_EQ(Values(list), (std::vector<std::u16string>{u"b"}));
}

TEST(AbbreviationIndex, ShouldAppendDataOnce_WhenFindingIntoDataList) {
    AbbreviationIndex list;
    list.Insert(u"q", D(0));
    list.Insert(u"Q", D(1));
    list.Insert(u"q", D(0));
    std::vector<void*> data;
    list.Find(u"q", data);
    EXPECT_GE(data.size(), 1u);
    EXPECT_LE(data.size(), 2u);
    std::vector<void*> unique(data);
    std::sort(unique.begin(), unique.end());
    EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end());
    EXPECT_NE(list.Find(u"Q"), nullptr);
}

TEST(AbbreviationIndex, ShouldListDistinctValuesAndParts_WhenAsked) {
    AbbreviationIndex list;
    for (auto v : {u"ab", u"ab", u"abc", u"abcdef", u"b"})
        list.Insert(v, D(0));
    std::vector<std::u16string> strings;
    list.GetStrings(&strings);
    EXPECT_EQ(strings, (std::vector<std::u16string>{u"ab", u"abc", u"abcdef", u"b"}));
    list.GetStrings(nullptr);

    std::vector<AbbreviationEntry*> parts;
    list.FindWithValuePart(u"AB", parts, 3);
    // The two "ab" entries, then "abcdef" (4 longer); "abc" is only 1 longer.
    std::vector<std::u16string> values;
    for (auto* r : parts)
        values.push_back(r->Value);
    EXPECT_EQ(values, (std::vector<std::u16string>{u"ab", u"ab", u"abcdef"}));
}

} // namespace
} // namespace lumora
