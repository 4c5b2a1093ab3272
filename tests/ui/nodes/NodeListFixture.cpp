#include "NodeListFixture.h"

#include "storage/uSQLDataTabRec.h"
#include "ui/nodes/uNodeListModel.h"

void FillNodeListFixture(cSQLDatabase& database) {
    static const char* const Statements[] = {
        "delete from Node",
        "delete from Channel",
        "delete from Enclosure",
        "delete from Node2Enclosure",
        "delete from Category",
        "delete from Node2Category",
        "delete from Channel2Category",
        "delete from ChannelStat",
        "delete from CategoryStat",
        "insert into Channel (ID, Title, IsoLanguageCode, LastUpdateTime_UTC) values "
        "(1,'Alpha News','en','2024/05/01 08:00:00'),"
        "(2,'Beta Daily','he','2024/05/03 09:00:00'),"
        "(3,'Gamma Weekly','fr','2024/05/02 10:00:00')",
        "insert into ChannelStat values (1,4,3,2,'',0),(2,2,2,1,'',0),(3,1,1,0,'',0)",
        "insert into Category values (100,'World'),(101,'Tech')",
        "insert into Channel2Category values (2,100)",
        "insert into Node2Category values (12,101)",
        "insert into CategoryStat values (100,2,2,1,'',0),(101,1,1,1,'',0)",
        "insert into Node values "
        "(15,3,'Zebra downloading','five','http://c.example/15','g15','','fr','',0,0,0,"
        "'2024/05/06 10:00:00',3),"
        "(11,1,'Offered enclosure','<p>One</p>','http://a.example/11','g11','','en','',0,0,0,"
        "'2024/05/05 10:00:00',0),"
        "(12,1,'Q&A: ready enclosure','<b>Two</b>','http://a.example/12','g12','','en','',0,0,"
        "0,'2024/05/04 10:00:00',1),"
        "(13,2,'חדשות הערב: סיכום היום','שלוש','http://b.example/13','g13','','he','',0,0,0,"
        "'2024/05/03 10:00:00',2),"
        "(14,2,'Failed page','four','http://b.example/14','g14','','x','',0,0,0,"
        "'2024/05/02 10:00:00',4),"
        "(16,1,'Old read item','six','http://a.example/16','g16','','en','',-1,0,0,"
        "'2024/04/30 10:00:00',0),"
        "(17,1,'Archived item','seven','http://a.example/17','g17','','en','',-1,-1,0,"
        "'2024/04/01 10:00:00',0)",
        "insert into Enclosure values (21,'http://a.example/11.mp3','1','audio/mpeg',5),"
        "(22,'http://a.example/12.ogg','1','audio/ogg',1),"
        "(23,'http://b.example/13.mp3','1','audio/mpeg',2),"
        "(24,'http://c.example/15.mp3','1','audio/mpeg',4)",
        "insert into Node2Enclosure values (11,21),(12,22),(13,23),(15,24)",
    };
    for (const char* statement : Statements)
        database.Execute(QString::fromUtf8(statement));
}

QList<qint64> NodeIds(const QAbstractItemModel& model) {
    QList<qint64> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids << model.index(row, 0).data(cNodeListModel::NodeIdRole).toLongLong();
    return ids;
}

int RowOfNode(const QAbstractItemModel& model, qint64 nodeId) {
    return int(NodeIds(model).indexOf(nodeId));
}
