#include "model/uOMCategory.h"
#include "ModelFixture.h"
#include "model/uOMChannel2Category.h"
#include "model/uOMChannelIcon.h"

namespace {

class Categories : public ModelFixture {};

} // namespace

TEST_F(Categories, LookupFindsOnlyStoredNamesQuotesIncluded) {
    cCategoryTable table(Database);
    cOMCategoryRecord* quoted = table.NewCategory();
    quoted->SetLibelle(QStringLiteral("Say \"cheese\" n' smile"));
    cOMCategoryRecord* sport = table.NewCategory();
    sport->SetLibelle(QStringLiteral("Sport"));
    EXPECT_EQ(table.FindStoredCategory(QStringLiteral("Sport")), std::nullopt)
        << "a category in memory is not stored yet";
    Save();
    EXPECT_EQ(table.FindStoredCategory(QStringLiteral("Sport")), sport->ID());
    EXPECT_EQ(table.FindStoredCategory(QStringLiteral("Say \"cheese\" n' smile")), quoted->ID());
    EXPECT_EQ(table.FindStoredCategory(QStringLiteral("sport")), std::nullopt);
}

TEST_F(Categories, ChannelLinksLoadForOneChannelOnly) {
    Database.Execute(QStringLiteral("insert into Channel2Category values(1,10)"));
    Database.Execute(QStringLiteral("insert into Channel2Category values(1,11)"));
    Database.Execute(QStringLiteral("insert into Channel2Category values(2,10)"));
    cChannel2CategoryTable links(Database);
    links.LoadChannelLinks(1);
    ASSERT_EQ(links.Count(), 2);
    EXPECT_EQ(links.Record(1)->CategoryId(), 11);
    links.LoadChannelLinks(3);
    EXPECT_EQ(links.Count(), 0);
}

TEST_F(Categories, ANewIconRowForAFailedLoadInsertsItsFourValuesInOrder) {
    cOMChannelIconTable icons(Database);
    cOMChannelIcon* icon = icons.NewIcon();
    icon->SetChannelId(42);
    icon->SetIconFileName(QString());
    icon->SetIsLastIconUpdateOk(false);
    icon->SetLastIconUpdate_UTC(QStringLiteral("2024/01/05 10:00:00"));
    EXPECT_EQ(Flushed(icons),
              QStringList{QStringLiteral(
                  " insert into ChannelIcon values(42,'',0,'2024/01/05 10:00:00')")});
}
