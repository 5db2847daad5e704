#include "platform/TextCase.h"

#include <gtest/gtest.h>

#include <random>

namespace lumora {
namespace {

TEST(TextCase, ShouldLowerTheWholeBMP_OneUnitForOne) {
    EXPECT_EQ(LowerCased(u"ABC xyz 09_"), u"abc xyz 09_");
    EXPECT_EQ(LowerCased(u"\u00C9\u00DE\u0178\u0391\u03A3\u0416\u0500\u10A0\u1E9E\u2160\uFF21"),
              u"\u00E9\u00FE\u00FF\u03B1\u03C3\u0436\u0501\u2D00\u00DF\u2170\uFF41");
    // A capital whose lower case is longer (dotted I) stays; a surrogate half stays.
    EXPECT_EQ(LowerCased(u"\u0130\xD801\xDC00"), u"\u0130\xD801\xDC00");
    EXPECT_EQ(LowerCased(u"\u212A"), u"k"); // Kelvin sign
    std::u16string all;
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        all += static_cast<char16_t>(c);
    EXPECT_EQ(LowerCased(all).size(), all.size());
}

TEST(TextCase, ShouldAgreeWithLowerCasing_OnWhichValuesAreEqual) {
    EXPECT_EQ(CompareTextInvariant(u"BRB", u"brb"), 0);
    EXPECT_EQ(CompareTextInvariant(u"\u00C9T\u00C9", u"\u00E9t\u00E9"), 0);
    EXPECT_NE(CompareTextInvariant(u"ab", u"abc"), 0);
    EXPECT_NE(CompareTextInvariant(u"a", u"b"), 0);
    EXPECT_EQ(CompareTextInvariant(u"", u""), 0);
    std::mt19937 random(1);
    const char16_t pool[] = u"aAbB\u00E9\u00C9\u03C3\u03A3\u03C2\u0436\u0416\u212Ak";
    std::uniform_int_distribution<int> pick(0, 12), length(0, 3);
    for (int i = 0; i < 2000; ++i) {
        std::u16string a, b;
        for (int k = length(random); k > 0; --k)
            a += pool[pick(random)];
        for (int k = length(random); k > 0; --k)
            b += pool[pick(random)];
        EXPECT_EQ(CompareTextInvariant(a, b) == 0, LowerCased(a) == LowerCased(b));
    }
}

TEST(TextCase, ShouldReadAnsiAsWindows1252_OutsideWindows) {
    EXPECT_EQ(AnsiToUtf16("caf\xE9 \x80 \x81 \x9F"), u"caf\u00E9 \u20AC \u0081 \u0178");
    EXPECT_EQ(AnsiToUtf16(""), u"");
}

} // namespace
} // namespace lumora
