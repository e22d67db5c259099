// The log file's entry layout.
#include "logentry.h"
#include <string>
#include "helpers.h"
#include "text.h"

namespace {

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
    EXPECT_EQ(vllog::Header({2026, 1, 2, 3, 4, 5, 6, 0}, u"t", 1, vllog::Kind::kError),
              u"2026-01-02 03:04:05.006 +0000 t[1] error");
}

TEST(LogEntry, AnEntryIsCutOnlyPastItsPlacesLimitAndSaysHowMuchWasLeftOut) {
    const std::u16string body(600, u'x'), file(80, u'f');
    EXPECT_EQ(vllog::CutToFit(body, 600, file), body);
    const std::u16string cut = vllog::CutToFit(body + u"\U0010FFFF", 600, file);
    EXPECT_LE(cut.size(), 600u);
    EXPECT_TRUE(cut.ends_with(u"\n... " + vltext::FromUtf8(std::to_string(602 - cut.find(u'\n'))) +
                              u" more characters of this entry left out; the whole entry is in " +
                              file + u".\n"));
    // Never between the halves of a surrogate pair.
    const std::u16string pair =
        vllog::CutToFit(std::u16string(343, u'y') + u"\U0010FFFF" + body, 600, u"");
    EXPECT_NE(pair[pair.find(u'\n') - 1], u'\xDBFF');
}

TEST(LogEntry, TheEventMessageStaysWithinWhatAnEventTakes) {
    std::u16string text;
    for (int i = 0; i < 8000; ++i) {
        text += u"line\r\n";
    }
    const std::u16string message = vllog::EventMessage(text, u"C:\\log.txt");
    EXPECT_LE(message.size(), 31839u);  // what one string of an event takes
    EXPECT_GT(message.size(), vllog::kEventStringLimit - 2000);
    EXPECT_TRUE(message.starts_with(u"line\r\nline\r\n"));
    EXPECT_TRUE(message.ends_with(
        u"characters of this entry left out; the whole entry is in C:\\log.txt."));
    EXPECT_EQ(vllog::EventMessage(u"a\r\n\r\nb", u""), u"a\r\nb");
}

}  // namespace
