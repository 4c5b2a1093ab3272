#include "ModelFixture.h"
#include "model/uOMCategory.h"
#include "model/uOMChannel.h"
#include "model/uOMChannel2Category.h"
#include "model/uOMChannelFetch.h"
#include "model/uOMChannelIcon.h"
#include "model/uOMEnclosure.h"
#include "model/uOMNode.h"
#include "model/uOMNode2Category.h"
#include "model/uOMNode2Enclosure.h"

#include <functional>
#include <memory>

namespace {

// One stored row of each table, loaded and then written back in each of the
// three ways, so that every statement text can be compared whole.
struct cStatementCase {
    const char* table;
    QString row;
    std::function<std::unique_ptr<cSQLTable>(cSQLDatabase&)> makeTable;
    QString insert;
    QString update;
    QString remove;
};

template <class TTable> std::function<std::unique_ptr<cSQLTable>(cSQLDatabase&)> Make() {
    return [](cSQLDatabase& database) { return std::make_unique<TTable>(database); };
}

const cStatementCase StatementCases[] = {
    {"Channel",
     "insert into Channel values(7,'T \"q\"','fr',2,'http://u','http://l','D','P','B','http://i',"
     "'2024/01/05 10:00:00','d: 1h: 2m: 3','2024/01/04',-1,'2024/01/06')",
     Make<cOmChannelTable>(),
     "insert into CHANNEL values(7,'T \"q\"','fr',2,'http://u','http://l','D','P','B','http://i',"
     "'2024/01/05 10:00:00','d: 1h: 2m: 3','2024/01/04',-1,'2024/01/06')",
     "update Channel set Title = 'T \"q\"', IsoLanguageCode = 'fr', DefaultEnclosureStatus = 2, "
     "ChannelURL = 'http://u', Link = 'http://l', Description = 'D', PubDate_822 = 'P', "
     "LastBuildDate_822 = 'B', ImageURL = 'http://i', LastUpdateTime_UTC = '2024/01/05 10:00:00', "
     "Frequency = 'd: 1h: 2m: 3', LastArchiveTime_UTC = '2024/01/04', IsLastUpdateOk = -1, "
     "NextUpdateDateTime_UTC = '2024/01/06' where ID = 7",
     "delete from Channel where ID = 7"},
    {"Node",
     "insert into Node values(8,7,'It''s','D','http://l','g1','Sun','en','2024/01/05',-1,0,-1,"
     "'2024/01/04',4)",
     Make<cOmNodeTable>(),
     "insert into Node values(8,7,'It''s','D','http://l','g1','Sun','en','2024/01/05',-1,0,-1,"
     "'2024/01/04',4 )",
     "update Node set Title = 'It''s',Description = 'D',Link = 'http://l',GUID = 'g1',"
     "PubDateTimeNode_822 = 'Sun',IsoLanguageCode = 'en',DateTimeLoad_UTC = '2024/01/05',"
     "HasBeenRead = -1,IsArchived = 0,IsPurged = -1,ParentChannelId = 7,"
     "DateTimeNode_UTC = '2024/01/04',IsDownloaded = 4 where ID = 8",
     "delete from Node where ID = 8"},
    {"Enclosure", "insert into Enclosure values(9,'http://e','123','audio/mpeg',2)",
     Make<cOmEnclosureTable>(), "insert into Enclosure values(9,'http://e','123','audio/mpeg',2)",
     "update Enclosure set Url= 'http://e',Length= '123',MediaType= 'audio/mpeg',Status= 2 "
     "where ID = 9",
     "delete from Enclosure where ID = 9"},
    {"Category", "insert into Category values(10,'Sport')", Make<cOMCategoryTable>(),
     "insert into Category values(10,'Sport')",
     "update Category set Libelle = 'Sport' where ID = 10", "delete from Category where ID = 10"},
    {"Node2Category", "insert into Node2Category values(8,10)", Make<cOmNode2CategoryTable>(),
     "insert into Node2Category values(8,10)",
     "update Node2Category set NodeId= 8,CategoryId= 10 where NodeID = 8 and CategoryId = 10",
     "delete from Node2Category where NodeID = 8 and CategoryId = 10"},
    {"Node2Enclosure", "insert into Node2Enclosure values(8,9)", Make<cOmNode2EnclosureTable>(),
     "insert into Node2Enclosure values(8,9)",
     "update Node2Enclosure set NodeId = 8, EnclosureId = 9 where NodeID = 8 and EnclosureId = 9",
     "delete from Node2Enclosure where NodeID = 8 and EnclosureId = 9"},
    {"Channel2Category", "insert into Channel2Category values(7,10)",
     Make<cOmChannel2CategoryTable>(), "insert into Channel2Category values(7,10)",
     "update Channel2Category set ChannelId= 7,CategoryId= 10 where CategoryID = 10 and "
     "channelId = 7",
     "delete from Channel2Category where ChannelID = 7 and CategoryId = 10"},
    {"ChannelIcon", "insert into ChannelIcon values(7,'7.bmp',-1,'2024/01/05 10:00:00')",
     Make<cOMChannelIconTable>(),
     " insert into ChannelIcon values(7,'7.bmp',-1,'2024/01/05 10:00:00')",
     " update ChannelIcon set  IconFileName = '7.bmp', IsLastIconUpdateOk = -1, "
     "LastIconUpdate_UTC = '2024/01/05 10:00:00' where ChannelId = 7",
     "delete from ChannelIcon where ChannelId = 7"},
    {"ChannelFetch", "insert into ChannelFetch values(7,'W/\"a''b\"','Tue, 15 Nov 1994',304,'')",
     Make<cOmChannelFetchTable>(),
     "insert or replace into ChannelFetch values(7,'W/\"a''b\"','Tue, 15 Nov 1994',304,'')",
     "insert or replace into ChannelFetch values(7,'W/\"a''b\"','Tue, 15 Nov 1994',304,'')",
     "delete from ChannelFetch where ChannelId = 7"},
};

class Statements : public ModelFixture {};

} // namespace

TEST_F(Statements, EveryRecordKindWritesItsInsertUpdateAndDeleteTexts) {
    for (const cStatementCase& row : StatementCases) {
        SCOPED_TRACE(row.table);
        Database.Execute(row.row);
        std::unique_ptr<cSQLTable> table = row.makeTable(Database);
        table->Query(QStringLiteral("select * from ") + QString::fromLatin1(row.table));
        ASSERT_EQ(table->Count(), 1);
        cSQLRecord* record = table->Item(0);

        record->RecordStatus = cSQLRecord::rsNew;
        EXPECT_EQ(Flushed(*table), QStringList{row.insert});
        record->RecordStatus = cSQLRecord::rsModified;
        EXPECT_EQ(Flushed(*table), QStringList{row.update});
        record->MarkDeleted();
        EXPECT_EQ(Flushed(*table), QStringList{row.remove});

        // Each statement is valid SQL for the stored table.
        Database.InTransaction([&] {
            Database.Execute(row.update);
            Database.Execute(row.remove);
            Database.Execute(row.insert);
        });
        EXPECT_EQ(Database.QueryInt(QStringLiteral("select count(*) from ") +
                                    QString::fromLatin1(row.table)),
                  1);
    }
}
