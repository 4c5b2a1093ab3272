#include "ingest/uCategoryLinks.h"

#include "TestFiles.h"
#include "model/uOMCategory.h"
#include "model/uOMChannel.h"
#include "model/uOMChannel2Category.h"
#include "model/uOMNode.h"
#include "model/uOMNode2Category.h"
#include "storage/uSQLDataTabRec.h"

#include <gtest/gtest.h>

TEST(SplitCategories, SplitsTrimsAndNormalisesNames) {
    const struct {
        const char* text;
        QStringList names;
    } cases[] = {
        {"News : Sport;'Local'", {"News", "Sport", "Local"}},
        {"tech/ 'web'", {"Tech", "'web'"}},
        {"NEWS", {"News"}},
        {"news", {"News"}},
        {"Rock 'n' roll", {"Rock 'n' roll"}},
        {"<b>Bold</b> &amp; more", {"Bold & more"}},
        {"ÉTÉ;été", {"Été", "Été"}},
        {"a//b/", {"A", "B"}},
        {"", {}},
    };
    for (const auto& row : cases)
        EXPECT_EQ(SplitCategories(QString::fromUtf8(row.text)), row.names) << row.text;
}

class CategoryLinks : public testing::Test {
protected:
    CategoryLinks() { Database.Open(File.Path()); }
    cTempDatabase File;
    cSQLDatabase Database;
};

TEST_F(CategoryLinks, ACategoryCreatedInThisRefreshLinksItsItemsAndChannelOnce) {
    Database.Execute(QStringLiteral("insert into Category values(5,'Stored')"));
    cOmChannelTable channels(Database);
    cChannel2CategoryTable channelLinks(Database);
    cCategoryTable categories(Database);
    cOmNodeTable nodes(Database);
    cOmNode2CategoryTable nodeLinks(Database);
    cOmChannelRecord* channel = channels.NewChannel();
    cOmNodeRecord* node = nodes.NewNode();

    for (const QString& text : {QStringLiteral("Sport;stored"), QStringLiteral("SPORT")}) {
        EnsureCategories(categories, text);
        LinkNodeCategories(nodeLinks, text, *node, categories);
        LinkChannelCategories(channelLinks, text, *channel, categories);
    }
    ASSERT_EQ(categories.Count(), 1);
    const int64_t sport = categories.Record(0)->ID();
    EXPECT_EQ(categories.Record(0)->Libelle(), QStringLiteral("Sport"));
    ASSERT_EQ(nodeLinks.Count(), 2);
    EXPECT_EQ(nodeLinks.Record(0)->CategoryId(), sport);
    EXPECT_EQ(nodeLinks.Record(1)->CategoryId(), 5);
    ASSERT_EQ(channelLinks.Count(), 2);
    EXPECT_EQ(channelLinks.Record(0)->ChannelID(), channel->ID());

    Database.SaveAllInTransaction();
    EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from Node2Category nc join "
                                               "Category c on c.ID = nc.CategoryId")),
              2);
}

TEST_F(CategoryLinks, ManyCategoriesAndSeparatorsAreReadInOnePass) {
    QString names;
    for (int index = 0; index < 20000; ++index)
        names += QStringLiteral("c%1/").arg(index);
    cCategoryTable categories(Database);
    cOmNodeTable nodes(Database);
    cOmNode2CategoryTable nodeLinks(Database);
    const cOmNodeRecord* node = nodes.NewNode();
    for (int round = 0; round < 2; ++round) {
        EnsureCategories(categories, names);
        LinkNodeCategories(nodeLinks, names, *node, categories);
    }
    EXPECT_EQ(categories.Count(), 20000);
    EXPECT_EQ(nodeLinks.Count(), 20000);
    EXPECT_EQ(categories.FindRecordedCategory(QStringLiteral("C19999")),
              categories.Record(19999)->ID());
    EXPECT_TRUE(SplitCategories(QString(1000000, QLatin1Char('/'))).isEmpty());
}
