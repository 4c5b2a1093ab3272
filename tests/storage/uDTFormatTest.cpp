#include "storage/uDTFormat.h"

#include "storage/uErrors.h"

#include <gtest/gtest.h>

TEST(DateTimeText, FormatsDateAndTimeOrTheDateAloneAtMidnight) {
    const QDateTime afternoon = WallClock(QDate(2024, 1, 5), QTime(15, 4, 5, 999));
    const QDateTime midnight = WallClock(QDate(2024, 1, 5));
    EXPECT_EQ(DateTimeToText(afternoon), QStringLiteral("2024/01/05 15:04:05"));
    EXPECT_EQ(DateTimeToText(midnight), QStringLiteral("2024/01/05"));
    EXPECT_EQ(TextToDateTime(QStringLiteral("2024/01/05 15:04:05")),
              WallClock(QDate(2024, 1, 5), QTime(15, 4, 5)));
    EXPECT_EQ(TextToDateTime(QStringLiteral("2024/01/05")), midnight);
    EXPECT_LT(DateTimeToText(midnight), QStringLiteral("2024/01/05 00:00:01"));
}

TEST(DateTimeText, ReadsTheLenientForms) {
    const int century = QDate::currentDate().year() / 100 * 100;
    const struct {
        const char* text;
        QDateTime expected;
    } cases[] = {
        {"  2024/1/5", WallClock(QDate(2024, 1, 5))},
        {"2024/01/05 7:08", WallClock(QDate(2024, 1, 5), QTime(7, 8))},
        {"2024/01/05 07:08:09.25", WallClock(QDate(2024, 1, 5), QTime(7, 8, 9, 250))},
        {"2024/01/05 07:08:09 PM", WallClock(QDate(2024, 1, 5), QTime(19, 8, 9))},
        {"2024/01/05 12:00:00 AM", WallClock(QDate(2024, 1, 5), QTime(0, 0))},
        {"94/11/06 08:49:37", WallClock(QDate(century + 94, 11, 6), QTime(8, 49, 37))},
    };
    for (const auto& row : cases)
        EXPECT_EQ(TextToDateTime(QString::fromUtf8(row.text)), row.expected) << row.text;
}

TEST(DateTimeText, RejectsTextThatIsNoDateAndTime) {
    for (const char* text : {"", "2024/13/01", "2023/02/30", "2024-01-05", "2024/01/05 25:00:00",
                             "2024/01/05 10:00:xx", "2024/01/05 10", "yesterday"}) {
        try {
            TextToDateTime(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EVelmoraError& error) {
            EXPECT_EQ(
                error.Message(),
                QStringLiteral("'%1' is not a valid date and time").arg(QString::fromUtf8(text)));
        }
    }
}
