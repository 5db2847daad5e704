#include "data/TagReader.h"
#include "data/TagWriter.h"
#include "platform/Utf.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(TextToBase64, ShouldBreakAfter76Characters_WhenValueIs57Or58Bytes) {
    std::string b57(57, 'a'), b58(58, 'a');
    std::u16string e57 = TextToBase64(b57), e58 = TextToBase64(b58);
    ASSERT_EQ(e57.size(), 78u);
    EXPECT_EQ(e57.substr(76), u"\r\n");
    ASSERT_EQ(e58.size(), 82u);
    EXPECT_EQ(e58.substr(76, 2), u"\r\n");
    EXPECT_EQ(e58.substr(78), u"YQ==");
    EXPECT_EQ(TextToBase64("abc"), u"YWJj");
    EXPECT_EQ(TextToBase64("ab"), u"YWI=");
    EXPECT_EQ(TextToBase64(""), u"");
    // 114 bytes: two full lines, each with its CR LF.
    std::u16string e114 = TextToBase64(std::string(114, 'a'));
    EXPECT_EQ(e114.size(), 156u);
    EXPECT_EQ(e114.substr(154), u"\r\n");

    EXPECT_EQ(WriteTag(u"d", std::u16string(57, u'a'), true, true), u"<d>" + e57 + u"</d>\r\n");
    EXPECT_EQ(WriteTag(u"d", std::u16string(58, u'a'), true, true), u"<d>" + e58 + u"</d>\r\n");
}

TEST(WriteTag, ShouldFollowOpenCloseTable_ForEmptyAndNonEmptyValues) {
    EXPECT_EQ(WriteTag(u"n", u"", true, false), u"<n>\r\n");
    EXPECT_EQ(WriteTag(u"n", u"", true, true), u"<n></n>\r\n");
    EXPECT_EQ(WriteTag(u"n", u"ab", true, true), u"<n>YWI=</n>\r\n");
    EXPECT_EQ(WriteTag(u"n", u"ab", true, false), u"<n>YWI=");
    EXPECT_EQ(WriteTag(u"n", u"ab", false, true), u"</n>\r\n");
    EXPECT_EQ(WriteTag(u"n", u"ab", false, false), u"");
    // Markup characters never appear as themselves.
    std::u16string tag = WriteTag(u"n", u"<a href=\"x\">&amp;</a>", true, true);
    EXPECT_EQ(tag.find_first_of(u"&\"", 0), std::u16string::npos);
    EXPECT_EQ(tag.find(u'<', 1), tag.rfind(u"</n>"));
}

TEST(Base64ToText, ShouldRoundTrip_MultiLineAndOutsideTheBMP) {
    for (std::u16string s : {std::u16string(u"line one\r\nline two\n\ttab"),
                             std::u16string(u"\U0001F600 smile \U00010348 \u00E9\u20AC"),
                             std::u16string(300, u'\u0416'), std::u16string()}) {
        EXPECT_EQ(Base64ToText(TextToBase64(Utf16ToUtf8(s))), s);
    }
}

TEST(Base64ToText, ShouldSkipCharactersOutsideTheAlphabet_WhereverTheyStand) {
    EXPECT_EQ(Base64ToText(u" Y W\r\nJ\tj "), u"abc");
    EXPECT_EQ(Base64ToText(u"YWI=YWI="), u"abab"); // decoding goes on after a padded group
    EXPECT_EQ(Base64ToText(u"YQ=="), u"a");
    // Incomplete groups: what they hold, never a crash.
    EXPECT_EQ(Base64ToText(u"YWJjYQ"), u"abca");
    EXPECT_EQ(Base64ToText(u"YWJjY"), u"abc");
    EXPECT_EQ(Base64ToText(u"="), u"");
    // A non-ASCII code unit is read as its two UTF-16LE bytes: U+5759 gives 'Y' 'W'.
    EXPECT_EQ(Base64ToText(u"\u5759Jj"), u"abc");
}

TEST(Utf, ShouldReplaceInvalidSequences_WithU_FFFD) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD");                 // truncated
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82x"), u"\uFFFDx");               // the next byte is read afresh
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(u"x\xDC00"), "x\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    // Lone surrogates survive the file as U+FFFD.
    EXPECT_EQ(Base64ToText(TextToBase64(Utf16ToUtf8(u"a\xD83D"))), u"a\uFFFD");
    EXPECT_EQ(Base64ToText(TextToBase64("\xFF\xFE")), u"\uFFFD\uFFFD");
}

} // namespace
} // namespace lumora
