#include "data/AbbreviationIndex.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumora {
namespace {

// Distinct addresses to stand for phrases: the index never looks at what it points to.
int objects[8];
Phrase* D(int i) {
    return reinterpret_cast<Phrase*>(&objects[i]);
}

std::vector<std::u16string> Values(const AbbreviationIndex& list) {
    std::vector<std::u16string> out;
    for (std::int32_t i = 0; i < list.Count(); ++i)
        out.push_back(list.At(i).Abbreviation);
    return out;
}

TEST(AbbreviationIndex, ShouldDoNothing_WhenEmpty) {
    AbbreviationIndex list;
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"abc", found);
    EXPECT_TRUE(found.empty());
    EXPECT_FALSE(list.Remove(u"abc", D(0)));
    list.Insert(u"abc", D(0));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0).Record, D(0));
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
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"BRB", found);
    ASSERT_EQ(found.size(), 3u);
    std::vector<Phrase*> data;
    for (auto* r : found)
        data.push_back(r->Record);
    std::sort(data.begin(), data.end());
    EXPECT_EQ(data, (std::vector<Phrase*>{D(1), D(2), D(3)}));
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
    Phrase* last = list.At(2).Record;
    EXPECT_TRUE(list.Remove(u"X", last));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NE(list.At(0).Record, last);
    EXPECT_NE(list.At(1).Record, last);
    EXPECT_FALSE(list.Remove(u"x", D(5)));
    EXPECT_EQ(list.Count(), 2);

    // The same pair twice: one goes, the other stays.
    list.Insert(u"y", D(3));
    list.Insert(u"y", D(3));
    EXPECT_TRUE(list.Remove(u"y", D(3)));
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"y", found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Record, D(3));
}

TEST(AbbreviationIndex, ShouldMissEntriesUntilSorted_WhenAppendedOutOfOrder) {
    AbbreviationIndex list;
    for (auto v : {u"m", u"z", u"a", u"b", u"c"})
        list.Add(v, D(0));
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"z", found);
    EXPECT_TRUE(found.empty());
    list.Sort();
    list.Find(u"z", found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Abbreviation, u"z");
}

TEST(AbbreviationIndex, ShouldNotRepeatMetRecordButRepeatNeighbours_WhenDestListHoldsThem) {
    AbbreviationIndex list;
    list.Insert(u"a", D(0));
    list.Insert(u"a", D(1));
    list.Insert(u"a", D(2));
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"a", found);
    ASSERT_EQ(found.size(), 3u);
    list.Find(u"a", found);
    EXPECT_EQ(found.size(), 5u);
}

TEST(AbbreviationIndex, ShouldCompareBeyondAscii_WhenValuesDifferInCase) {
    AbbreviationIndex list;
    list.Insert(u"\u00C9t\u00C9", D(0)); // ÉTÉ
    list.Insert(u"\u0416\u0416", D(1));  // ЖЖ
    list.Insert(u"\u03A3\u03A3", D(2));  // ΣΣ
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"\u00E9t\u00E9", found);
    list.Find(u"\u0436\u0436", found);
    list.Find(u"\u03C3\u03C3", found);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0]->Record, D(0));
    EXPECT_EQ(found[1]->Record, D(1));
    EXPECT_EQ(found[2]->Record, D(2));
}

TEST(AbbreviationIndex, ShouldRemoveTheLastEntryOfThePhrase_WhenWalking) {
    AbbreviationIndex list;
    list.Add(u"a", D(0));
    list.Add(u"b", D(1));
    list.Add(u"c", D(0));
    list.RemoveByWalk(D(0));
    EXPECT_EQ(Values(list), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(AbbreviationIndex, ShouldStayRight_WhenManyEntriesAreRemovedOneByOne) {
    // Removed entries are dropped in batches: the lookups, the count and the lengths known
    // must not notice.
    static int phrases[300];
    auto P = [](int i) { return reinterpret_cast<Phrase*>(&phrases[i]); };
    AbbreviationIndex list;
    for (int i = 0; i < 300; ++i)
        list.Insert(std::u16string(1 + i % 3, static_cast<char16_t>(u'a' + i % 26)), P(i));
    for (int i = 0; i < 300; i += 2)
        EXPECT_TRUE(
            list.Remove(std::u16string(1 + i % 3, static_cast<char16_t>(u'a' + i % 26)), P(i)));
    EXPECT_EQ(list.Count(), 150);
    std::vector<const AbbreviationEntry*> found;
    list.Find(u"B", found); // the one-letter b of i = 27, 105, 183 and 261
    EXPECT_EQ(found.size(), 4u);
    for (const AbbreviationEntry* e : found)
        EXPECT_EQ((reinterpret_cast<int*>(e->Record) - phrases) % 2, 1);
    EXPECT_TRUE(list.HasLength(3));
    for (int i = 1; i < 300; i += 2)
        list.Remove(std::u16string(1 + i % 3, static_cast<char16_t>(u'a' + i % 26)), P(i));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.HasLength(1));
}

} // namespace
} // namespace lumora
