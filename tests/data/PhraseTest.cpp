#include "data/Phrase.h"
#include "data/PhraseList.h"

#include <gtest/gtest.h>

#include <memory>

namespace lumora {
namespace {

std::vector<const AbbreviationEntry*> Lookup(AbbreviationIndex& data, const std::u16string& value) {
    std::vector<const AbbreviationEntry*> found;
    data.Find(value, found);
    return found;
}

TEST(Phrase, ShouldKeepOneIndexEntry_WhenAbbreviationIsSetRepeatedly) {
    AbbreviationIndex data;
    Phrase phrase(data);
    EXPECT_EQ(data.Count(), 0);
    phrase.SetAbbreviation(u"brb");
    phrase.SetAbbreviation(u"brb");
    ASSERT_EQ(data.Count(), 1);
    EXPECT_EQ(data.At(0).Record, &phrase);

    // A change of case alone is a change: the old entry goes, the new one comes.
    phrase.SetAbbreviation(u"BRB");
    ASSERT_EQ(data.Count(), 1);
    EXPECT_EQ(data.At(0).Abbreviation, u"BRB");

    phrase.SetAbbreviation(u"");
    EXPECT_EQ(data.Count(), 0);
    phrase.SetAbbreviation(u"x");
    EXPECT_EQ(data.Count(), 1);
}

TEST(Phrase, ShouldLeaveOthersEntries_WhenOneOfTwoWithSameAbbreviationIsDestroyed) {
    AbbreviationIndex data;
    Phrase kept(data);
    kept.SetAbbreviation(u"sig");
    {
        Phrase gone(data);
        gone.SetAbbreviation(u"sig");
        EXPECT_EQ(Lookup(data, u"SIG").size(), 2u);
        Phrase empty(data); // no abbreviation: destroying it touches nothing
    }
    auto found = Lookup(data, u"sig");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Record, &kept);
}

TEST(Phrase, ShouldIndexAndStoreWhole_WhenTextIsEmptyOrLong) {
    AbbreviationIndex data;
    Phrase phrase(data);
    phrase.SetAbbreviation(u"e");
    EXPECT_EQ(Lookup(data, u"e").size(), 1u);
    std::u16string longText(600, u'x');
    phrase.SetText(longText);
    EXPECT_EQ(phrase.Text(), longText);
}

TEST(Phrase, ShouldRemoveEarlierEntry_WhenAbbreviationChangesDuringLoad) {
    // During a load the index is in file order, so the halving may miss the old entry.
    AbbreviationIndex data;
    std::vector<std::unique_ptr<Phrase>> phrases;
    {
        AbbreviationIndex::LoadScope loading(data);
        for (auto v : {u"zz", u"yy", u"xx", u"ww", u"vv", u"uu", u"tt"}) {
            phrases.push_back(std::make_unique<Phrase>(data));
            phrases.back()->SetAbbreviation(v);
        }
        phrases[0]->SetAbbreviation(u"aa");
        phrases[1]->SetAbbreviation(u"bb");
    }
    EXPECT_EQ(data.Count(), 7);
    EXPECT_TRUE(Lookup(data, u"zz").empty());
    EXPECT_TRUE(Lookup(data, u"yy").empty());
    EXPECT_EQ(Lookup(data, u"aa").size(), 1u);
    phrases.clear();
    EXPECT_EQ(data.Count(), 0);
}

TEST(Phrase, ClearPhrases_ShouldTakeOnlyItsOwnPhrasesOutOfTheIndex) {
    AbbreviationIndex data;
    PhraseList other;
    other.AppendPhrase(data, u"sig", u"Regards");
    {
        PhraseList rows;
        rows.AppendPhrase(data, u"brb", u"be right back");
        rows.AppendPhrase(data, u"", u"no abbreviation");
        rows.ClearPhrases();
    }
    ASSERT_EQ(data.Count(), 1);
    EXPECT_EQ(Lookup(data, u"sig").size(), 1u);
    EXPECT_TRUE(Lookup(data, u"brb").empty());

    // The list that held every entry empties the index, which then takes new phrases again.
    other.ClearPhrases();
    EXPECT_EQ(data.Count(), 0);
    EXPECT_TRUE(Lookup(data, u"sig").empty());
    other.AppendPhrase(data, u"ty", u"thank you");
    EXPECT_EQ(Lookup(data, u"ty").size(), 1u);
}

} // namespace
} // namespace lumora
