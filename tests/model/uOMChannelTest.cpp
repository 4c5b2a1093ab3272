#include "model/uOMChannel.h"
#include "ModelFixture.h"

#include "storage/uSQLValue.h"

namespace {

class Channels : public ModelFixture {};

} // namespace

TEST(Frequency, IsWrittenRightAlignedAndReadBackWithItsFallback) {
    EXPECT_EQ(FrequencyText({1, 0, 30}), QStringLiteral("d: 1h: 0m:30"));
    EXPECT_EQ(FrequencyText({}), QStringLiteral("d: 0h: 0m: 0"));
    EXPECT_EQ(FrequencyText({12, 23, 59}), QStringLiteral("d:12h:23m:59"));
    const struct {
        const char* text;
        cFrequency expected;
    } cases[] = {
        {"d: 1h: 0m:30", {1, 0, 30}},  {"d:12h:23m:59", {12, 23, 59}},
        {"d: 0h: 0m: 0", {0, 0, 0}},   {"", {0, 0, 30}},
        {"d: 1h: xm:30", {0, 0, 30}},  {"d: 1h: 0m:", {0, 0, 30}},
        {"d:100h: 0m: 0", {0, 0, 30}},
    };
    for (const auto& row : cases)
        EXPECT_EQ(FrequencyFromText(QString::fromLatin1(row.text)), row.expected) << row.text;
}

TEST_F(Channels, ANewChannelWithOnlyItsUrlWritesEmptyTextsAndZeros) {
    cOmChannelTable table(Database);
    table.NewRecord();
    cOmChannelRecord* channel = table.Record(0);
    channel->SetChannelURL(QStringLiteral("http://127.0.0.1/feed"));
    EXPECT_EQ(Flushed(table),
              QStringList{QStringLiteral("insert into CHANNEL values(") +
                          NumberText(channel->ID()) +
                          QStringLiteral(",'','',0,'http://127.0.0.1/feed','','','','','','',"
                                         "'d: 0h: 0m: 0','',0,'')")});
}

TEST_F(Channels, AnEmptyFrequencyLoadsAsThirtyMinutesAndIsSavedSo) {
    Database.Execute(
        QStringLiteral("insert into Channel values(5,'t','',0,'u','','','','','','','','',0,'')"));
    cOmChannelTable table(Database);
    table.Query(QStringLiteral("select * from Channel"));
    EXPECT_EQ(table.Record(0)->Frequency(), (cFrequency{0, 0, 30}));
    table.Record(0)->SetTitle(QStringLiteral("renamed"));
    Save();
    EXPECT_EQ(Database.QueryText(QStringLiteral("select Frequency from Channel where ID = 5")),
              "d: 0h: 0m:30");
}
