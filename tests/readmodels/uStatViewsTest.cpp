#include "readmodels/uCategoryStat.h"
#include "readmodels/uChannelDetailStat.h"
#include "readmodels/uChannelStat.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

class StatViews : public testing::Test {
protected:
    StatViews() {
        Database.Open(File.Path());
        for (const char* statement : {
                 "insert into Channel (ID, Title, LastUpdateTime_UTC, IsoLanguageCode, Frequency, "
                 "NextUpdateDateTime_UTC) "
                 "values(1,'Cabbage','2024/01/02','de','broken','2024/01/03')",
                 "insert into Channel (ID, Title, LastUpdateTime_UTC, Frequency) values(2,'Apple "
                 "news','2024/01/03','d: 1h: 2m: 3')",
                 "insert into Channel (ID, Title) values(3,'Never updated')",
                 "insert into ChannelStat values(1,10,5,0,'',0)",
                 "insert into ChannelStat values(2,3,2,1,'',0)",
                 "insert into Category values(100,'Sport'), (101,'Art'), (102,'Empty')",
                 "insert into CategoryStat values(100,4,4,4,'',0), (101,9,1,0,'',0)",
             })
            Database.Execute(QString::fromUtf8(statement));
    }
    template <class TTable> QList<int64_t> Ids(const TTable& table) const {
        QList<int64_t> ids;
        for (int index = 0; index < table.Count(); ++index)
            ids << table.Record(index)->Id();
        return ids;
    }

    cTempDatabase File;
    cSQLDatabase Database;
};

} // namespace

TEST_F(StatViews, ChannelListsShowOnlyChannelsWithCountersInTheAskedOrder) {
    cChannelStatTable channels(Database);
    const struct {
        int order;
        const char* filter;
        QList<int64_t> ids;
    } cases[] = {
        {0, "", {2, 1}}, {1, "", {2, 1}}, {2, "", {1, 2}}, {3, "", {1, 2}},
        {4, "", {2, 1}}, {0, "AB", {1}},  {0, "zzz", {}},
    };
    for (const auto& row : cases) {
        channels.QueryChannelStats(row.order, QString::fromLatin1(row.filter));
        EXPECT_EQ(Ids(channels), row.ids) << row.order << " " << row.filter;
    }
    channels.QueryChannelsWithNew();
    EXPECT_EQ(Ids(channels), (QList<int64_t>{2}));
    channels.QueryChannelStats(0, QStringLiteral("cab"));
    const cChannelStat* cabbage = channels.Record(0);
    EXPECT_EQ(cabbage->Total(), 10);
    EXPECT_EQ(cabbage->Unread(), 5);
    EXPECT_EQ(cabbage->New(), 0);
    EXPECT_EQ(cabbage->LanguageCode(), QStringLiteral("DE"));
}

TEST_F(StatViews, CategoryListsShowOnlyCategoriesWithCounters) {
    cCategoryStatTable categories(Database);
    categories.QueryCategoryStats(0, QString());
    EXPECT_EQ(Ids(categories), (QList<int64_t>{101, 100}));
    categories.QueryCategoryStats(1, QString());
    EXPECT_EQ(Ids(categories), (QList<int64_t>{101, 100}));
    categories.QueryCategoryStats(2, QStringLiteral("\"'"));
    EXPECT_EQ(Ids(categories), (QList<int64_t>{}));
    categories.QueryCategoryStats(3, QStringLiteral("SPO"));
    EXPECT_EQ(Ids(categories), (QList<int64_t>{100}));
    categories.QueryCategoriesWithNew();
    EXPECT_EQ(Ids(categories), (QList<int64_t>{100}));
    EXPECT_EQ(categories.Record(0)->Libelle(), QStringLiteral("Sport"));
}

TEST_F(StatViews, ChannelDetailsListEverySubscriptionAndEditFrequencyAndNextUpdate) {
    cChannelDetailStatTable details(Database);
    details.QueryChannelDetails();
    EXPECT_EQ(Ids(details), (QList<int64_t>{2, 1, 3}));
    EXPECT_EQ(details.Record(2)->Total(), 0) << "never updated: no counters yet";
    cChannelDetailStat* cabbage = details.Record(1);
    EXPECT_EQ(cabbage->Frequency(), (cFrequency{0, 0, 30}));
    EXPECT_EQ(details.Record(0)->Frequency(), (cFrequency{1, 2, 3}));

    cabbage->SetNextUpdate(QStringLiteral("2024/02/01 10:00:00"));
    QStringList statements;
    details.Flush(statements);
    EXPECT_EQ(statements,
              QStringList{QStringLiteral(
                  " update Channel  set NextUpdateDateTime_UTC = '2024/02/01 10:00:00', "
                  "Frequency = 'd: 0h: 0m:30' where ID = 1")});
    Database.Connection().ExecuteBatch(statements);
    details.Record(0)->SetFrequency(0, 2, 0);
    Database.SaveAllInTransaction();
    EXPECT_EQ(Database.QueryText(QStringLiteral("select group_concat(Frequency, '|') from Channel "
                                                "where ID in (1,2) order by ID")),
              "d: 0h: 0m:30|d: 0h: 2m: 0");
}
