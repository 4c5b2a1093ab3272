#include "ingest/uRFC822.h"

#include "TestFiles.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"

#include <gtest/gtest.h>

namespace {

QString Read(const char* date) {
    return DateTimeToText(cRFC822::RFC822ToDateTime(date));
}

} // namespace

TEST(RFC822, ReadsFeedDatesAsLocalTimeOnAMachineAtUniversalTime) {
    cScopedTimeZone zone("UTC");
    const struct {
        const char* date;
        const char* local;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
        {"Sun, 6 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
        {"06 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
        // The day follows the comma after any number of blanks.
        {"Wed,16 Nov 1994 08:49:37 GMT", "1994/11/16 08:49:37"},
        {"Sun,  6 Nov 1994 08:49:37 GMT", "1994/11/06 08:49:37"},
        {"Sun, 06 Nov 1994 08:49:37", "1994/11/06 08:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 UT", "1994/11/06 08:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 UTC", "1994/11/06 08:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 Z", "1994/11/06 08:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 +0200", "1994/11/06 06:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 -0530", "1994/11/06 14:19:37"},
        {"Sun, 06 Nov 1994 08:49:37 EST", "1994/11/06 13:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 PDT", "1994/11/06 15:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 A", "1994/11/06 09:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 M", "1994/11/06 20:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 N", "1994/11/06 07:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 Y", "1994/11/05 20:49:37"},
        // A comment after a numeric zone is no named zone.
        {"Sun, 06 Nov 1994 08:49:37 +0200 (CEST)", "1994/11/06 06:49:37"},
        {"Sun, 06 Nov 1994 08:49:37 GMT (London)", "1994/11/06 08:49:37"},
        // Only whole zone names count: a word that merely contains one does not.
        {"Sun, 06 Nov 1994 08:49:37 CEST", "1994/11/06 08:49:37"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(Read(row.date), QString::fromLatin1(row.local)) << row.date;
}

TEST(RFC822, TwoDigitYearsLieInTheCurrentCentury) {
    cScopedTimeZone zone("UTC");
    const int year = QDate::currentDate().year() / 100 * 100 + 94;
    EXPECT_EQ(Read("Sun, 06 Nov 94 08:49:37 GMT"), QStringLiteral("%1/11/06 08:49:37").arg(year));
}

TEST(RFC822, ConvertsWithTheOffsetInForceAtTheFeedsInstant) {
    cScopedTimeZone zone("Europe/Paris");
    // Winter: one hour east; summer: two hours east, whatever the season now.
    EXPECT_EQ(Read("Sun, 06 Nov 1994 08:49:37 GMT"), QStringLiteral("1994/11/06 09:49:37"));
    EXPECT_EQ(Read("Wed, 06 Jul 1994 08:49:37 GMT"), QStringLiteral("1994/07/06 10:49:37"));
}

TEST(RFC822, MalformedDatesRaiseAConversionError) {
    cScopedTimeZone zone("UTC");
    for (const char* date : {"Sun, 06 Nov 1994 08:49 GMT", "Sun, 06 nov 1994 08:49:37 GMT",
                             "2003-12-13T18:30:02Z", "Sun, 06 Nov 1994 08:49:37 +02x0", ""}) {
        EXPECT_THROW(cRFC822::RFC822ToDateTime(date), EVelmoraError) << date;
    }
}

// A numeric zone is a sign and exactly four digits, hours up to 23 and
// minutes under 60; any other makes the date unreadable rather than moving
// it by days or years.
TEST(RFC822, NumericZonesAreASignAndFourDigitsWithinADay) {
    cScopedTimeZone zone("UTC");
    const struct {
        const char* zone;
        const char* local; // empty: the date raises
    } cases[] = {
        {"+0000", "1994/11/06 08:49:37"},
        {"-0000", "1994/11/06 08:49:37"},
        {"+2359", "1994/11/05 08:50:37"},
        {"-2359", "1994/11/07 08:48:37"},
        {"+0059", "1994/11/06 07:50:37"},
        {"-1200 (comment)", "1994/11/06 20:49:37"},
        {"+0100\t(tab before the comment)", "1994/11/06 07:49:37"},
        {"+99999999999", ""},
        {"-99999999999", ""},
        {"+2400", ""},
        {"-9900", ""},
        {"+0060", ""},
        {"+0099", ""},
        {"+020", ""},
        {"+02000", ""},
        {"+02:00", ""},
        {"+02a0", ""},
        {"+0200(CEST)", ""},
        {"++0200", ""},
        {"+-200", ""},
        {"+ 200", ""},
        {"+", ""},
        {"-", ""},
    };
    for (const auto& row : cases) {
        const QByteArray date = QByteArray("Sun, 06 Nov 1994 08:49:37 ") + row.zone;
        if (*row.local)
            EXPECT_EQ(Read(date.constData()), QString::fromLatin1(row.local)) << row.zone;
        else
            EXPECT_THROW(cRFC822::RFC822ToDateTime(date), EVelmoraError) << row.zone;
    }
}

TEST(RFC822, LocalTimeBiasIsTheOffsetInForceNowWithUniversalTimeWithoutDaylightSaving) {
    {
        cScopedTimeZone zone("UTC");
        EXPECT_EQ(cRFC822::LocalTimeBias(), 0);
    }
    {
        cScopedTimeZone zone("Asia/Kolkata");
        EXPECT_EQ(cRFC822::LocalTimeBias(), -330);
    }
}
