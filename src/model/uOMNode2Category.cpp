#include "model/uOMNode2Category.h"

#include "storage/uSQLValue.h"

bool cOmNode2CategoryRecord::WriteInsert(QStringList& statements) {
    statements << QStringLiteral("insert into Node2Category values(") % NumberText(NodeID()) %
                      u',' % NumberText(CategoryId()) % u')';
    return true;
}

bool cOmNode2CategoryRecord::WriteDelete(QStringList& statements) {
    statements << QStringLiteral("delete from Node2Category where NodeID = ") %
                      NumberText(NodeID()) % QStringLiteral(" and CategoryId = ") %
                      NumberText(CategoryId());
    return true;
}

bool cOmNode2CategoryRecord::WriteUpdate(QStringList& statements) {
    statements << QStringLiteral("update Node2Category set NodeId= ") % NumberText(NodeID()) %
                      u',' % QStringLiteral("CategoryId= ") % NumberText(CategoryId()) % u' ' %
                      QStringLiteral("where NodeID = ") % NumberText(NodeID()) % u' ' %
                      QStringLiteral("and CategoryId = ") % NumberText(CategoryId());
    return true;
}

cOmNode2CategoryTable::cOmNode2CategoryTable(cSQLDatabase& database)
    : cSQLTable(database, RecordClassOf<cOmNode2CategoryRecord>()) {}
