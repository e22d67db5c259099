// The pure pieces: dates and UTF-8, the log file's entry layout, Samba's
// failure texts, and the runtime's string services.
#include <cmath>
#include <limits>
#include <optional>

#include "civil.h"
#include "helpers.h"
#include "icon.h"
#include "logentry.h"
#include "netstatus.h"
#include "platform.h"
#include "text.h"

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

TEST(LogEntry, HeaderBodyAndBlock) {
    const vllog::LocalTime when{2026, 12, 6, 20, 30, 1, 23, 60};
    EXPECT_EQ(vllog::Header(when, u"todsync", 4242, vllog::Kind::kInformation),
              u"2026-12-06 20:30:01.023 +0100 todsync[4242] information");
    const vllog::LocalTime west{2026, 1, 2, 3, 4, 5, 6, -570};
    EXPECT_EQ(vllog::Header(west, u"t", 1, vllog::Kind::kError),
              u"2026-01-02 03:04:05.006 -0930 t[1] error");
    // An empty line would end the entry in the file: none inside one.
    EXPECT_EQ(vllog::Body(u"a\r\n\r\nb\tc\r\n"), u"a\nb\tc\n");
    EXPECT_EQ(vllog::Body(u"lone\nfeed\rcr\x1b\x7f"), u"lone^Jfeed^Mcr^[^?\n");
    EXPECT_EQ(vllog::Body(u""), u"");
    EXPECT_EQ(vllog::Block(when, u"t", 1, vllog::Kind::kError, u"x"),
              u"2026-12-06 20:30:01.023 +0100 t[1] error\nx\n\n");
    EXPECT_EQ(vllog::BaseName(u"/usr/bin/todsync"), u"todsync");
    EXPECT_EQ(vllog::BaseName(u"C:\\Tools\\todsync.v2.exe"), u"todsync.v2");
    EXPECT_EQ(vllog::BaseName(u".hidden"), u".hidden");
}

TEST(Icon, TakesTheBitCountFromTheImageWhenTheDirectoryLeavesItAt0) {
    // One 32x32 image at offset 22, its bit count only in its BITMAPINFOHEADER.
    std::vector<std::uint8_t> ico = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 0, 0, 40, 0, 0, 0, 22};
    ico.resize(22 + 40);
    ico[22] = 40;
    ico[22 + 14] = 8;
    const auto images = vlicon::ReadIcon(ico.data(), ico.size());
    ASSERT_TRUE(images && images->size() == 1);
    EXPECT_EQ((*images)[0].width, 32);
    EXPECT_EQ((*images)[0].bits, 8);
    EXPECT_FALSE(vlicon::ReadIcon(ico.data(), ico.size() - 1));
}

TEST(NetStatus, SambasFailureTextsMapToWindowsCodes) {
    // The last status named counts. The fault matrix meets the common ones.
    const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
        {"do_connect: Connection to nosuch failed (Error NT_STATUS_INVALID_ADDRESS)\n", 53},
        {"do_connect: Connection to nosuch failed (Error NT_STATUS_BAD_NETWORK_NAME)\n", 53},
        {"do_connect: Connection to NO-SUCH failed (Error NT_STATUS_NOT_FOUND)\n", 53},
        {"Connection to no.such failed (Error NT_STATUS_UNSUCCESSFUL)", 53},
        {"tree connect failed: NT_STATUS_BAD_NETWORK_NAME\n", 67},
        {"x NT_STATUS_IO_TIMEOUT\nsession setup failed: NT_STATUS_ACCOUNT_DISABLED\n", 1331},
        {"rpc: NT_STATUS_NOT_FOUND\n", std::nullopt},
        {"failed to open PIPE srvsvc: NT_STATUS_UNSUCCESSFUL", std::nullopt},
        {"NT_STATUS_", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, code] : cases) {
        EXPECT_EQ(netstatus::WindowsCodeFor(text), code) << text;
    }
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

}  // namespace
