// Date texts of OLE dates, UTF-8 both ways, padded numbers, and controls shown.
#include "text.h"
#include <cmath>
#include <limits>
#include "civil.h"
#include "helpers.h"

namespace {

TEST(Text, TimeAndDateTextsOfOleDates) {
    using namespace vltext;
    EXPECT_EQ(*TimeText(46206.37855376158), u"09:05:07.045");
    EXPECT_EQ(*DateText(46206.37855376158), u"2026-07-03");
    EXPECT_EQ(*TimeText(0.0), u"00:00:00.000");
    EXPECT_EQ(*DateText(0.0), u"1899-12-30");
    // Before day 0 the fraction still counts forward: -1.25 is 06:00.
    EXPECT_EQ(*TimeText(-1.25), u"06:00:00.000");
    EXPECT_EQ(*DateText(-1.25), u"1899-12-29");
    // The last half millisecond of a day rounds into the next one.
    EXPECT_EQ(*TimeText(46206.0 + 86399.9996 / 86400.0), u"00:00:00.000");
    EXPECT_EQ(*DateText(46206.0 + 86399.9996 / 86400.0), u"2026-07-04");
    EXPECT_EQ(*DateText(45351.5), u"2024-02-29");
    EXPECT_EQ(*DateText(-657434.0), u"0100-01-01");
    EXPECT_EQ(*TimeText(2958465.99999), u"23:59:59.136");
    EXPECT_FALSE(TimeText(-657434.5 - 1.0));
    EXPECT_FALSE(DateText(2958466.0));
    EXPECT_FALSE(TimeText(2958465.999999999));  // rounds into the year 10000
    EXPECT_FALSE(TimeText(std::nan("")));
    EXPECT_FALSE(DateText(std::numeric_limits<double>::infinity()));
}

TEST(Text, Utf8KeepsEveryByteStringAndEveryCharacter) {
    using namespace vltext;
    EXPECT_EQ(FromUtf8("h\xC3\xA9t\xE2\x82\xAC\xF0\x9F\x95\x92"), u"h\u00E9t\u20AC\U0001F552");
    EXPECT_EQ(ToUtf8(u"h\u00E9t\u20AC\U0001F552"), "h\xC3\xA9t\xE2\x82\xAC\xF0\x9F\x95\x92");
    // Bytes that are not UTF-8 come back as they were.
    for (const std::string& bytes :
         std::vector<std::string>{"\xFF", "a\xC3", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", std::string("n\0l", 3)}) {
        EXPECT_EQ(ToUtf8(FromUtf8(bytes)), bytes);
    }
    // A lone surrogate that stands for no byte becomes U+FFFD.
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, NumbersArePaddedToTheWidthAndNeverCut) {
    std::u16string text;
    for (const auto& [value, width] :
         {std::pair<std::int64_t, int>{7, 2}, {123, 2}, {99, 4}, {-5, 2}, {INT32_MIN, 1}}) {
        vltext::AppendPadded(text, value, width);
        text += u' ';
    }
    EXPECT_EQ(text, u"07 123 0099 -05 -2147483648 ");
}

TEST(Text, EveryControlAndStrayByteIsShownVisibly) {
    for (char16_t c = 1; c < 0x20; ++c)
        EXPECT_TRUE(vltext::IsControl(c) || c == u'\t') << int(c);
    EXPECT_EQ(vltext::Visible(u"\u202A\u202E\u2066\u2069\u2028\u009F"),
              u"<U+202A><U+202E><U+2066><U+2069><U+2028><U+009F>");
    EXPECT_EQ(vltext::Visible(u"\u2029\u00A0\u202F\u2065\u206A"),
              u"<U+2029>\u00A0\u202F\u2065\u206A");
    EXPECT_EQ(vltext::Visible(vltext::FromUtf8("\x80\xFF")), u"<0x80><0xFF>");
    // What hides is shown, and half a surrogate pair, but never a whole pair.
    EXPECT_EQ(vltext::Visible(u"a\u200B\u200F\u061C\uFEFF\u180E\u034F\u2060\u2064\u00ADb"),
              u"a<U+200B><U+200F><U+061C><U+FEFF><U+180E><U+034F><U+2060><U+2064><U+00AD>b");
    const std::u16string lone{0xD800, u'x', 0xDFFF, 0xDBFF, 0xDC80, 0xDC80, 0xDC00};
    EXPECT_EQ(vltext::Visible(lone),
              std::u16string(u"<U+D800>x<U+DFFF>") + u"\U0010FC80" + u"<0x80><U+DC00>");
    EXPECT_TRUE(!vltext::IsVisible(lone) && vltext::IsVisible(u"caf\u00E9 \U0001F600\t"));
}

}  // namespace
