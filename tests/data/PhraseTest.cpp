#include "data/Phrase.h"

#include <gtest/gtest.h>

#include <memory>

namespace lumora {
namespace {

std::vector<TStringData*> Lookup(TPhraseData& data, const std::u16string& value) {
    std::vector<TStringData*> found;
    data.PhraseIndex.FindWithValue(value, found);
    return found;
}

TEST(MiniData, ShouldKeepOneIndexEntry_WhenAutotextIsSetRepeatedly) {
    TPhraseData data;
    TMiniData phrase(data);
    EXPECT_EQ(data.PhraseIndex.Count(), 0);
    phrase.SetAutotext(u"brb");
    phrase.SetAutotext(u"brb");
    ASSERT_EQ(data.PhraseIndex.Count(), 1);
    EXPECT_EQ(data.PhraseIndex.At(0).Data, &phrase);

    // A change of case alone is a change: the old entry goes, the new one comes.
    phrase.SetAutotext(u"BRB");
    ASSERT_EQ(data.PhraseIndex.Count(), 1);
    EXPECT_EQ(data.PhraseIndex.At(0).Value, u"BRB");

    phrase.SetAutotext(u"");
    EXPECT_EQ(data.PhraseIndex.Count(), 0);
    phrase.SetAutotext(u"x");
    EXPECT_EQ(data.PhraseIndex.Count(), 1);
}

TEST(MiniData, ShouldLeaveOthersEntries_WhenOneOfTwoWithSameAutotextIsDestroyed) {
    TPhraseData data;
    TMiniData kept(data);
    kept.SetAutotext(u"sig");
    {
        TMiniData gone(data);
        gone.SetAutotext(u"sig");
        EXPECT_EQ(Lookup(data, u"SIG").size(), 2u);
        TMiniData empty(data); // no abbreviation: destroying it touches nothing
    }
    auto found = Lookup(data, u"sig");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Data, &kept);
}

TEST(MiniData, ShouldIndexAndStoreWhole_WhenTextIsEmptyOrLong) {
    TPhraseData data;
    TMiniData phrase(data);
    phrase.SetAutotext(u"e");
    EXPECT_EQ(Lookup(data, u"e").size(), 1u);
    std::u16string longText(600, u'x');
    phrase.SetText(longText);
    EXPECT_EQ(phrase.Text(), longText);
}

TEST(MiniData, ShouldRemoveEarlierEntry_WhenAutotextChangesDuringLoad) {
    // During a load the index is in file order, so the halving may miss the old entry.
    TPhraseData data;
    data.LoadingPhrases = true;
    std::vector<std::unique_ptr<TMiniData>> phrases;
    for (auto v : {u"zz", u"yy", u"xx", u"ww", u"vv", u"uu", u"tt"}) {
        phrases.push_back(std::make_unique<TMiniData>(data));
        phrases.back()->SetAutotext(v);
    }
    phrases[0]->SetAutotext(u"aa");
    phrases[1]->SetAutotext(u"bb");
    data.LoadingPhrases = false;
    data.PhraseIndex.Sort();
    EXPECT_EQ(data.PhraseIndex.Count(), 7);
    EXPECT_TRUE(Lookup(data, u"zz").empty());
    EXPECT_TRUE(Lookup(data, u"yy").empty());
    EXPECT_EQ(Lookup(data, u"aa").size(), 1u);
    phrases.clear();
    EXPECT_EQ(data.PhraseIndex.Count(), 0);
}

} // namespace
} // namespace lumora
