#include "ingest/uFeedDates.h"

#include "TestFiles.h"
#include "ingest/uRFC822.h"
#include "storage/uDTFormat.h"

#include <gtest/gtest.h>

namespace {

// Each text with the universal instant it names ("yyyy/mm/dd hh:nn:ss"), or nullptr when
// it must stay unread.
const struct {
    const char* text;
    const char* universal;
} Cases[] = {
    // Year-first dates and times.
    {"2003-12-13T18:30:02Z", "2003/12/13 18:30:02"},
    {"2003-12-13T18:30:02+01:00", "2003/12/13 17:30:02"},
    {"2003-12-13T18:30:02-0500", "2003/12/13 23:30:02"},
    {"2003-12-13T18:30:02+01", "2003/12/13 17:30:02"},
    {"2003-12-13T18:30:02.123456Z", "2003/12/13 18:30:02"},
    {"2003-12-13T18:30:02,999-05:30", "2003/12/14 00:00:02"},
    {"2003-12-13t18:30:02z", "2003/12/13 18:30:02"},
    {"2003-12-13 18:30:02Z", "2003/12/13 18:30:02"},
    {"2003-12-13T18:30Z", "2003/12/13 18:30:00"},
    {"2003-12-13", "2003/12/13 00:00:00"},
    {"2018-09-18 14:38:10", "2018/09/18 14:38:10"},
    {"2018-09-18 14:38:10 GMT", "2018/09/18 14:38:10"},
    {"  2003-12-13T18:30:02Z\n", "2003/12/13 18:30:02"},
    {"2003-12-31T23:30:00-01:00", "2004/01/01 00:30:00"},
    {"2004-02-29T12:00:00+23:59", "2004/02/28 12:01:00"},
    {"2003-07-01T12:00:00Z", "2003/07/01 12:00:00"},
    // Either side of the spring and autumn changes in Europe: in autumn two instants an
    // hour apart show the same local wall-clock time.
    {"2021-03-28T00:30:00Z", "2021/03/28 00:30:00"},
    {"2021-03-28T01:30:00Z", "2021/03/28 01:30:00"},
    {"2021-10-31T00:30:00Z", "2021/10/31 00:30:00"},
    {"2021-10-31T01:30:00Z", "2021/10/31 01:30:00"},
    // Day-month-year dates written loosely.
    {"Sun, 06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Sun 06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Sun,06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Sunday, 06 November 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"sun, 06 nov 1994 08:49:37 gmt", "1994/11/06 08:49:37"},
    {"SUN, 06 NOV 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Tue, 06 Sept 1994 08:49:37 GMT", "1994/09/06 08:49:37"},
    {"Sun, 6 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Sun, 6 Nov 1994 8:49 GMT", "1994/11/06 08:49:00"},
    {"Sunday 6 november 94 8:49 est", "1994/11/06 13:49:00"},
    {"Sun, 06 Nov 1994 08:49:37", "1994/11/06 08:49:37"},
    {"Sun,  06\tNov  1994  08:49:37  GMT  ", "1994/11/06 08:49:37"},
    // Day names are not checked against the date: feeds often get them wrong.
    {"Mon, 06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Sun, 06 Nov 94 08:49:37 GMT", "1994/11/06 08:49:37"},
    {"Sun, 06 Nov 50 08:49:37 GMT", "1950/11/06 08:49:37"},
    {"Sun, 06 Nov 49 08:49:37 GMT", "2049/11/06 08:49:37"},
    {"Tue, 06 Nov 07 08:49:37 GMT", "2007/11/06 08:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 UT", "1994/11/06 08:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 UTC", "1994/11/06 08:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 Z", "1994/11/06 08:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 +0200", "1994/11/06 06:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 -0530", "1994/11/06 14:19:37"},
    {"Sun, 06 Nov 1994 08:49:37 +02:00", "1994/11/06 06:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 -05", "1994/11/06 13:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 -2359", "1994/11/07 08:48:37"},
    {"Sun, 06 Nov 1994 08:49:37 EST", "1994/11/06 13:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 edt", "1994/11/06 12:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 CST", "1994/11/06 14:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 CDT", "1994/11/06 13:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 MST", "1994/11/06 15:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 MDT", "1994/11/06 14:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 PST", "1994/11/06 16:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 PDT", "1994/11/06 15:49:37"},
    // The military letters with the signs the strict reader gives them.
    {"Sun, 06 Nov 1994 08:49 A", "1994/11/06 09:49:00"},
    {"Sun, 06 Nov 1994 08:49 N", "1994/11/06 07:49:00"},
    {"Sun, 06 Nov 1994 08:49:37 +0200 (CEST)", "1994/11/06 06:49:37"},
    {"Sun, 06 Nov 1994 08:49:37 GMT (London)", "1994/11/06 08:49:37"},
    {"Fri, 31 Dec 1999 23:59:59 -0100", "2000/01/01 00:59:59"},
    {"Wed, 06 Jul 1994 08:49:37 GMT", "1994/07/06 08:49:37"},
    // Unreadable: not a date.
    {"", nullptr},
    {"   ", nullptr},
    {"garbage", nullptr},
    {"yesterday at noon", nullptr},
    {"12/13/2003 18:30", nullptr},
    {"Nov 06 1994 08:49:37 GMT", nullptr},
    {"Sun, 06 Nov 1994", nullptr},
    {"Funday, 06 Nov 1994 08:49:37 GMT", nullptr},
    {"Sun, 06 Nob 1994 08:49:37 GMT", nullptr},
    {"Sun, 06 Nov 994 08:49:37 GMT", nullptr},
    {"Sun, 006 Nov 1994 08:49:37 GMT", nullptr},
    {"Sun, 06 Nov 1994 08:4:37 GMT", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 GMT and more", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 (unclosed", nullptr},
    {"2003-12-13T", nullptr},
    {"2003-12-13T18", nullptr},
    {"2003-12-13T18:30:02.", nullptr},
    {"2003-12-13T18:30:02Zjunk", nullptr},
    {"2003-12-13 (noon)", nullptr},
    {"20031213T183002Z", nullptr},
    {"2003-1-13", nullptr},
    // Unreadable: no such date or time.
    {"2003-02-29", nullptr},
    {"2004-02-30T00:00:00Z", nullptr},
    {"Mon, 30 Feb 2004 10:00:00 GMT", nullptr},
    {"2003-13-01", nullptr},
    {"2003-00-10", nullptr},
    {"2003-12-32", nullptr},
    {"0000-01-01", nullptr},
    {"2003-12-13T24:01:00Z", nullptr},
    {"2003-12-13T24:00:00Z", nullptr},
    {"Sun, 06 Nov 1994 24:01:00 GMT", nullptr},
    {"2003-12-13T18:60:00Z", nullptr},
    {"2003-12-13T18:30:60Z", nullptr},
    // Unreadable: zones.
    {"Sun, 06 Nov 1994 08:49:37 +02x0", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 +020", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 +02000", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 +2400", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 +0260", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 +", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 CEST", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 GMT+2", nullptr},
    {"Sun, 06 Nov 1994 08:49:37 J", nullptr},
    {"2003-12-13T18:30:02+1", nullptr},
    {"2003-12-13T18:30:02+013", nullptr},
    {"2003-12-13T18:30:02+01:0", nullptr},
    {"2003-12-13T18:30:02+25:00", nullptr},
    {"2003-12-13T18:30:02+01:60", nullptr},
    {"2003-12-13T18:30:02 XYZ", nullptr},
};

// The local form of a universal instant, through the system's own conversion.
QDateTime LocalFormOf(const char* universal) {
    return LocalWallClock(TextToDateTime(QString::fromLatin1(universal)).toSecsSinceEpoch());
}

void ExpectEveryCaseIn(const char* zoneName) {
    cScopedTimeZone zone(zoneName);
    for (const auto& row : Cases) {
        const std::optional<QDateTime> read = ReadLooseFeedDate(row.text);
        if (!row.universal) {
            EXPECT_FALSE(read.has_value())
                << zoneName << ": '" << row.text << "' read as "
                << (read ? DateTimeToText(*read) : QString()).toStdString();
            continue;
        }
        if (!read) {
            ADD_FAILURE() << zoneName << ": '" << row.text << "' unread";
            continue;
        }
        const QDateTime expected = LocalFormOf(row.universal);
        EXPECT_EQ(*read, expected) << zoneName << ": " << row.text;
        EXPECT_EQ(read->timeSpec(), Qt::UTC) << zoneName << ": " << row.text;
        EXPECT_EQ(read->time().msec(), 0) << zoneName << ": " << row.text;
    }
}

} // namespace

TEST(FeedDates, ReadsEveryFormOnAMachineAtUniversalTime) {
    ExpectEveryCaseIn("UTC");
}

TEST(FeedDates, ReadsEveryFormWithTheOffsetInForceAtTheInstantInBerlin) {
    ExpectEveryCaseIn("Europe/Berlin");
}

// The helper above is the system's; these values pin what it gives in Berlin, so the rule
// does not rest on the helper alone.
TEST(FeedDates, BerlinShowsWinterAndSummerTimeWhateverTheSeasonNow) {
    cScopedTimeZone zone("Europe/Berlin");
    const auto text = [](const char* date) {
        const std::optional<QDateTime> read = ReadLooseFeedDate(date);
        return read ? DateTimeToText(*read) : QStringLiteral("unread");
    };
    EXPECT_EQ(text("2003-12-13T18:30:02Z"), QStringLiteral("2003/12/13 19:30:02"));
    EXPECT_EQ(text("2003-07-01T12:00:00Z"), QStringLiteral("2003/07/01 14:00:00"));
    EXPECT_EQ(text("2021-10-31T00:30:00Z"), QStringLiteral("2021/10/31 02:30:00"));
    EXPECT_EQ(text("2021-10-31T01:30:00Z"), QStringLiteral("2021/10/31 02:30:00"));
}

TEST(FeedDates, GivesTheSameValueAsTheStrictReaderWhereBothRead) {
    cScopedTimeZone zone("Europe/Berlin");
    for (const char* date : {"Sun, 06 Nov 1994 08:49:37 GMT", "Wed, 06 Jul 1994 08:49:37 +0200",
                             "06 Nov 1994 08:49:37 EST", "Sun, 06 Nov 1994 08:49:37 Y",
                             "Sun, 06 Nov 1994 08:49:37 +0200 (CEST)"}) {
        const std::optional<QDateTime> read = ReadLooseFeedDate(date);
        ASSERT_TRUE(read.has_value()) << date;
        EXPECT_EQ(*read, cRFC822::RFC822ToDateTime(date)) << date;
        EXPECT_EQ(read->timeSpec(), cRFC822::RFC822ToDateTime(date).timeSpec()) << date;
    }
}

TEST(FeedDates, LongRunsOfAnyPieceAreHandled) {
    const qsizetype length = 1 << 20;
    const QByteArray texts[] = {QByteArray(length, '9'),
                                QByteArray(length, 'a'),
                                QByteArray(length, '('),
                                "Sun, " + QByteArray(length, ' '),
                                "2003-12-13T18:30:02." + QByteArray(length, '1') + "+",
                                "Sun, 06 Nov 1994 08:49:37 (" + QByteArray(length, 'x'),
                                "Sun, 06 Nov 1994 08:49:37 +" + QByteArray(length, '0')};
    for (const QByteArray& text : texts) {
        EXPECT_FALSE(ReadLooseFeedDate(text).has_value()) << text.left(40).toStdString();
    }
    // Any number of fraction digits is allowed; they are dropped.
    cScopedTimeZone zone("UTC");
    const std::optional<QDateTime> longFraction =
        ReadLooseFeedDate("2003-12-13T18:30:02." + QByteArray(length, '9') + "Z");
    ASSERT_TRUE(longFraction.has_value());
    EXPECT_EQ(DateTimeToText(*longFraction), QStringLiteral("2003/12/13 18:30:02"));
}
