#include "model/uOMNode2Enclosure.h"

#include "storage/uSQLValue.h"

bool cOmNode2EnclosureRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into Node2Enclosure values(") % NumberText(NodeID()) %
                      u',' % NumberText(EnclosureId()) % u')';
    return true;
}

bool cOmNode2EnclosureRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Node2Enclosure where NodeID = ") %
                      NumberText(NodeID()) % u' ' % QStringLiteral("and EnclosureId = ") %
                      NumberText(EnclosureId());
    return true;
}

bool cOmNode2EnclosureRecord::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral("update Node2Enclosure ") % QStringLiteral("set NodeId = ") %
                      NumberText(NodeID()) % u',' % QStringLiteral(" EnclosureId = ") %
                      NumberText(EnclosureId()) % u' ' % QStringLiteral("where NodeID = ") %
                      NumberText(NodeID()) % u' ' % QStringLiteral("and EnclosureId = ") %
                      NumberText(EnclosureId());
    return true;
}

cOmNode2EnclosureTable::cOmNode2EnclosureTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cOmNode2EnclosureRecord>()) {}
