#include "model/uOMChannel2Category.h"

#include "storage/uSQLValue.h"

bool cOmChannel2CategoryRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into Channel2Category values(") % NumberText(ChannelID()) %
                      u',' % NumberText(CategoryId()) % u')';
    return true;
}

bool cOmChannel2CategoryRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Channel2Category where ChannelID = ") %
                      NumberText(ChannelID()) % QStringLiteral(" and CategoryId = ") %
                      NumberText(CategoryId());
    return true;
}

bool cOmChannel2CategoryRecord::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral("update Channel2Category ") % QStringLiteral("set ChannelId= ") %
                      NumberText(ChannelID()) % u',' % QStringLiteral("CategoryId= ") %
                      NumberText(CategoryId()) % u' ' % QStringLiteral("where CategoryID = ") %
                      NumberText(CategoryId()) % QStringLiteral(" and channelId = ") %
                      NumberText(ChannelID());
    return true;
}

cOmChannel2CategoryTable::cOmChannel2CategoryTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cOmChannel2CategoryRecord>()) {}

void cChannel2CategoryTable::LoadChannelLinks(int64_t channelId) {
    // In the order they were made: the first is the channel's folder.
    Query(QStringLiteral("select * from Channel2Category where ChannelId = ") %
          NumberText(channelId) % QStringLiteral(" order by rowid"));
}
