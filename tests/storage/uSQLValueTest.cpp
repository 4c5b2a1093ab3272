#include "storage/uSQLValue.h"

#include <gtest/gtest.h>

TEST(SQLValue, ValuesAreWrittenAsFinishedSQL) {
    EXPECT_EQ(QuotedText(QString()), QStringLiteral("''"));
    EXPECT_EQ(QuotedText(QStringLiteral("Title")), QStringLiteral("'Title'"));
    EXPECT_EQ(QuotedText(QStringLiteral("it's \"here\"")), QStringLiteral("'it''s \"here\"'"));
    EXPECT_EQ(FlagText(true), QStringLiteral("-1"));
    EXPECT_EQ(FlagText(false), QStringLiteral("0"));
    EXPECT_EQ(NumberText(4294967297LL), QStringLiteral("4294967297"));
    EXPECT_EQ(NumberText(-12), QStringLiteral("-12"));
}
