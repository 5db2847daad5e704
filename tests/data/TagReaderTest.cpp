#include "data/TagReader.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lumora {
namespace {

std::string Utf16LE(std::u16string_view text, bool bom = true) {
    std::string bytes = bom ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Records every callback as "<name" (a child opened) and "name=text" (an element closed).
struct Recorder {
    std::vector<std::u16string> log;
    TagOpenedEvent Opened() {
        return [this](Tag* tag) { log.push_back(u"<" + tag->Name); };
    }
    TagClosedEvent Closed() {
        return [this](const std::u16string& name, const std::u16string& text) {
            log.push_back(name + u"=" + text);
        };
    }
    void Parse(std::u16string_view text) { ReadTags(Utf16LE(text), Opened(), Closed()); }
};

std::u16string ErrorOf(std::u16string_view text) {
    Recorder r;
    try {
        r.Parse(text);
    } catch (const TagSyntaxError& e) {
        return e.Message();
    }
    return u"(no error)";
}

TEST(TagReader, ShouldMakeNoCallback_WhenStreamIsEmptyOrOnlyAMark) {
    Recorder r;
    ReadTags("", r.Opened(), r.Closed());
    ReadTags("\xFF\xFE", r.Opened(), r.Closed());
    ReadTags("\xEF\xBB\xBF", r.Opened(), r.Closed());
    EXPECT_TRUE(r.log.empty());
}

TEST(TagReader, ShouldReportElementsInDocumentOrder_WhenFileHasDeclaration) {
    Recorder r;
    r.Parse(u"<?xml version=\"1.0\"?>\r\n<a>\r\n<b>x</b>\r\n</a>\r\n");
    EXPECT_EQ(r.log, (std::vector<std::u16string>{u"<xml", u"<a", u"<b", u"b=x", u"a=\r\n"}));

    Recorder bare;
    bare.Parse(u"<a>1</a><b>2</b>");
    EXPECT_EQ(bare.log, (std::vector<std::u16string>{u"<a", u"a=1", u"<b", u"b=2"}));
}

TEST(TagReader, ShouldJoinTextAcrossLines_WhenElementSpansThem) {
    Recorder r;
    r.Parse(u"<a>  one\rtwo</a>\n<b>&amp; <c\n> d</b>");
    EXPECT_EQ(r.log,
              (std::vector<std::u16string>{u"<a", u"a=  one\r\ntwo", u"<b", u"b=&amp; <c\r\n> d"}));
}

TEST(TagReader, ShouldDropTextBeforeOpeningTags_AndKeepTextBeforeClosingOnes) {
    Recorder r;
    r.Parse(u"junk<a>lead<b>in</b>tail</a>");
    EXPECT_EQ(r.log, (std::vector<std::u16string>{u"<a", u"<b", u"b=in", u"a=tail"}));
}

TEST(TagReader, ShouldRaiseMismatch_WithExpectedFoundLineAndColumn) {
    EXPECT_EQ(ErrorOf(u"<?xml?>\r\n<phrases>\r\n<Phrase>\r\n</phrase>\r\n"),
              u"XML Parsing Error: mismatched tag.\rExpected: </Phrase>\rFound: </phrase>\r"
              u"Line: 4\rColumn: 3");
    EXPECT_EQ(ErrorOf(u"<phrase id=\"1\">x</phrase>"),
              u"XML Parsing Error: mismatched tag.\rExpected: </phrase id=\"1\">\r"
              u"Found: </phrase>\rLine: 1\rColumn: 2");
    // An extra closing tag at the end: after a declaration it closes "xml", without one the
    // nameless root.
    EXPECT_EQ(ErrorOf(u"<?xml?>\r\n<phrases>\r\n</phrases>\r\n</phrases>"),
              u"XML Parsing Error: mismatched tag.\rExpected: </xml>\rFound: </phrases>\r"
              u"Line: 4\rColumn: 3");
    EXPECT_EQ(
        ErrorOf(u"<a></a></a>"),
        u"XML Parsing Error: mismatched tag.\rExpected: </>\rFound: </a>\rLine: 1\rColumn: 1");
}

TEST(TagReader, ShouldRaiseMissingEnd_AfterTheCallbacksBeforeIt) {
    Recorder r;
    std::u16string message;
    try {
        r.Parse(u"<a>\r\n<b>x</b>\r\n  <c>");
    } catch (const TagSyntaxError& e) {
        message = e.Message();
    }
    // Line is the number of lines plus 1; the column counts the CR LF before the third line.
    EXPECT_EQ(message, u"XML Parsing Error: no element found.\rExpected: </c>\rLine: 4\rColumn: 5");
    EXPECT_EQ(r.log, (std::vector<std::u16string>{u"<a", u"<b", u"b=x", u"<c"}));

    EXPECT_EQ(ErrorOf(u"<a>\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n</a>"),
              u"XML Parsing Error: mismatched tag.\rExpected: </?xml version=\"1.0\" "
              u"encoding=\"UTF-8\"?>\rFound: </a>\rLine: 3\rColumn: 3");
    EXPECT_EQ(ErrorOf(u"<p>\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
              u"XML Parsing Error: no element found.\rExpected: </?xml version=\"1.0\" "
              u"encoding=\"UTF-8\"?>\rLine: 3\rColumn: 3");
}

TEST(TagReader, ShouldRewriteOnlyTheSecondLine_WhenPhrasesHasShortcutAttribute) {
    Recorder r;
    r.Parse(u"<?xml?>\r\n<phrases shortcut=\"x\">\r\n</phrases>");
    EXPECT_EQ(r.log, (std::vector<std::u16string>{u"<xml", u"<phrases", u"phrases=\r\n"}));
    EXPECT_EQ(ErrorOf(u"<?xml?>\r\n\r\n<phrases shortcut=\"x\">\r\n</phrases>"),
              u"XML Parsing Error: mismatched tag.\rExpected: </phrases shortcut=\"x\">\r"
              u"Found: </phrases>\rLine: 4\rColumn: 3");
}

TEST(TagReader, ShouldDropClosedErrors_ButStopOnOpenedErrors) {
    std::vector<std::u16string> closed;
    ReadTags(Utf16LE(u"<a>1</a><b>2</b>"), nullptr,
             [&](const std::u16string& n, const std::u16string&) {
                 closed.push_back(n);
                 throw std::runtime_error("bad value");
             });
    EXPECT_EQ(closed, (std::vector<std::u16string>{u"a", u"b"}));

    int opened = 0;
    EXPECT_THROW(ReadTags(
                     Utf16LE(u"<a>1</a><b>2</b>"),
                     [&](Tag*) {
                         ++opened;
                         throw std::runtime_error("stop");
                     },
                     nullptr),
                 std::runtime_error);
    EXPECT_EQ(opened, 1);
}

TEST(TagReader, ShouldLetOpenedReplaceChildCallbacks_ForItsContent) {
    std::vector<std::u16string> seen;
    TagOpenedEvent root = [&](Tag* tag) {
        if (tag->Name != u"p") return;
        tag->Opened = nullptr;
        tag->Closed = [&](const std::u16string& n, const std::u16string& t) {
            seen.push_back(n + u"=" + t);
        };
    };
    ReadTags(Utf16LE(u"<q><p><d>1</d><p>2</p></p></q><e>3</e>"), root, nullptr);
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"d=1", u"p=2", u"p="}));
}

TEST(TagReader, ShouldRaiseError_WhenTagNameIsEmptyOrNestingTooDeep) {
    EXPECT_EQ(ErrorOf(u"<a>\r\n <>"), u"XML Parsing Error: empty tag name.\rLine: 2\rColumn: 4");
    std::u16string deep;
    for (int i = 0; i < 100000; ++i)
        deep += u"<d>";
    std::u16string message = ErrorOf(deep);
    EXPECT_EQ(message.rfind(u"XML Parsing Error: elements nested too deeply.\rLimit: 256\r", 0), 0u)
        << std::string(message.begin(), message.end());
    // 256 levels are fine.
    std::u16string ok;
    for (int i = 0; i < 256; ++i)
        ok += u"<d>";
    for (int i = 0; i < 256; ++i)
        ok += u"</d>";
    EXPECT_EQ(ErrorOf(ok), u"(no error)");
}

TEST(TagReader, ShouldSplitLinesAndDecode_ByByteOrderMarkAndBreaks) {
    EXPECT_EQ(ReadTextLines(Utf16LE(u"a\r\nb\rc\nd\r\n")),
              (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(ReadTextLines(Utf16LE(u"a\n\nb")), (std::vector<std::u16string>{u"a", u"", u"b"}));
    EXPECT_EQ(ReadTextLines(std::string("\xFE\xFF\x00\x41\x00\xE9", 6)),
              (std::vector<std::u16string>{u"A\u00E9"}));
    EXPECT_EQ(ReadTextLines("\xEF\xBB\xBF\xC3\xA9\xF0\x9F\x98\x80"),
              (std::vector<std::u16string>{u"\u00E9\U0001F600"}));
    EXPECT_EQ(ReadTextLines("caf\xE9 \x80"), (std::vector<std::u16string>{u"caf\u00E9 \u20AC"}));
    // The text ends at its first NUL; a half code unit at the end becomes U+FFFD.
    EXPECT_EQ(ReadTextLines(Utf16LE(std::u16string(u"ab\0cd", 5))),
              (std::vector<std::u16string>{u"ab"}));
    EXPECT_EQ(ReadTextLines(Utf16LE(u"ab") + "x"), (std::vector<std::u16string>{u"ab\uFFFD"}));
    EXPECT_EQ(PosCharFrom(0, u'b', u"abcb"), 2u);
    EXPECT_EQ(PosCharFrom(3, u'b', u"abcb"), 4u);
    EXPECT_EQ(PosCharFrom(5, u'b', u"abcb"), 0u);
}

} // namespace
} // namespace lumora
