#include "output/PhraseFields.h"
#include "output/PhraseTyping.h"
#include "platform/DateFormats.h"
#include "platform/Utf.h"
#include "simulation/SimulatedProgram.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// Fields filled from a fixed moment and clipboard.
class FixedValues final : public FieldValues {
public:
    LocalTime At{2026, 3, 7, 6, 9, 5, 0}; // Saturday 7 March 2026, 09:05
    std::u16string Clipboard = u"copied";
    int ClipboardReads = 0;
    std::optional<std::u16string> Date(std::u16string_view picture) override {
        return FormatDatePicture(At, picture);
    }
    std::optional<std::u16string> Time(std::u16string_view picture) override {
        return FormatTimePicture(At, picture);
    }
    std::u16string ClipboardText() override {
        ++ClipboardReads;
        return Clipboard;
    }
};

TEST(PhraseFields, EveryField_ShouldBeFilledIn_AndPicturesFollowWindowsRules) {
    FixedValues values;
    EXPECT_EQ(FillFields(u"{#date} {#time}", &values).Text, u"3/7/2026 9:05 AM");
    EXPECT_EQ(FillFields(u"{#date:yyyy-MM-dd} {#time:HH:mm:ss}", &values).Text,
              u"2026-03-07 09:05:00");
    EXPECT_EQ(FillFields(u"{#date:dddd, d MMMM yy 'at'} {#time:h tt}", &values).Text,
              u"Saturday, 7 March 26 at 9 AM");
    EXPECT_EQ(FillFields(u"{#time:h 'o''clock'}", &values).Text, u"9 o'clock");
    EXPECT_EQ(FillFields(u"[{#clipboard}]", &values).Text, u"[copied]");
    const FilledText cursor = FillFields(u"Dear {#cursor},", &values);
    EXPECT_EQ(cursor.Text, u"Dear ,");
    EXPECT_EQ(cursor.Cursor, 5u);
    EXPECT_EQ(values.ClipboardReads, 1) << "the clipboard is read only for its field";
}

TEST(PhraseFields, WhatIsNoField_ShouldBeTypedAsWritten) {
    FixedValues values;
    for (std::u16string_view stored :
         {u"{#unknown} {#Date}", u"{#date", u"{#date:'open}", u"{#date:}", u"{#cursor:x}",
          u"{# date}", u"{#}", u"a { # b"})
        EXPECT_EQ(FillFields(stored, &values).Text, stored);
    // Without values (the old typing-out) every field stays as written.
    EXPECT_EQ(FillFields(u"{#date}", nullptr).Text, u"{#date}");
}

TEST(PhraseFields, EscapedBraces_ShouldStayLiteral_NextToFields) {
    FixedValues values;
    // \\\{# is a literal "{#", \\\} a literal "}": neither opens nor closes a field.
    EXPECT_EQ(FillFields(u"\\\\\\{#date}{#time:HH}\\\\\\}", &values).Text, u"{#date}09}");
    EXPECT_EQ(FillFields(u"{#date:yy\\\\\\}", &values).Text, u"{#date:yy}");
    // Inside a picture an escaped brace is the brace, not the escape.
    EXPECT_EQ(FillFields(u"{#date:yyyy\\\\\\}MM}", &values).Text, u"2026}03");
    EXPECT_EQ(FillFields(u"{#time:'\\\\\\{#'HH}", &values).Text, u"{#09");
}

TEST(PhraseFields, LongPictures_ShouldBeFilledInWhole) {
    FixedValues values;
    std::u16string picture, expected;
    for (int i = 0; i < 40; ++i) {
        picture += u"yyyy-MM-dd ";
        expected += u"2026-03-07 ";
    }
    EXPECT_EQ(FillFields(u"{#date:" + picture + u"}", &values).Text, expected);
    // Windows is handed such a picture in short pieces, which give the same text one after
    // the other: cut between fields and inside quoted text only.
    const LocalTime at = values.At;
    const std::u16string pictures[] = {
        picture,
        u"'a long quoted text with dddd MMMM yyyy in it' dddd 'it''s' yy",
        u"yyyyMMdd''HHmm''dddd'x'''MMMM",
        u"'open",
        u"'at five o''clock on' dddd 'it''s'",
        u"'x''x''x''x''x''x'yy"};
    for (const std::u16string& whole : pictures) {
        std::optional<std::u16string> joined = std::u16string();
        for (const std::u16string& piece : PicturePieces(whole, 8)) {
            const auto part = FormatDatePicture(at, piece);
            joined = part && joined ? std::optional(*joined + *part) : std::nullopt;
        }
        EXPECT_EQ(joined, FormatDatePicture(at, whole)) << Utf16ToUtf8(whole);
    }
}

TEST(PhraseFields, Prepare_ShouldCountTheWayBackToTheCursor_OverLineBreaksAndPairs) {
    FixedValues values;
    const auto p = PhraseTyping::Prepare(u"To: {#cursor}\r\nBest \U0001F600", u".", &values);
    EXPECT_EQ(p.Text, u"To: \rBest \U0001F600.");
    EXPECT_EQ(p.CaretBack, 9u);   // code units
    EXPECT_EQ(p.LeftPresses, 8u); // the line break and the emoji count once each
}

// As the user sees it: the phrase with fields typed into a field, and the program's shadow
// text in step with it, so that the next abbreviation is erased exactly.
TEST(PhraseFields, TypedPhrase_ShouldLeaveTheCaretAtTheCursor_AndTheShadowInStep) {
    sim::SimulatedProgram program;
    program.AddPhrase(u"dr", u"Dear {#cursor}, from {#clipboard} on {#date:d MMM}");
    program.AddPhrase(u"brb", u"be right back");
    program.Sim.Desktop().LocalNow = LocalTime{2026, 12, 24, 4, 10, 0, 0};
    program.Sim.SetClipboard(u"Ann");
    program.Sim.ShowWindow(0);
    program.Sim.TypeText(u"dr");
    program.Sim.TypeText(u"Bob brb");
    EXPECT_EQ(program.Sim.FocusedField()->Text(), u"Dear Bob be right back, from Ann on 24 Dec");
    EXPECT_EQ(program.CurrentRecord()->Text, program.Sim.FocusedField()->Text());
    EXPECT_EQ(static_cast<std::size_t>(program.CurrentRecord()->Pos),
              program.Sim.FocusedField()->Caret());
}

} // namespace
} // namespace lumora
