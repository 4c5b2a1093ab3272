#include "readmodels/uNodeCount.h"

#include "storage/uSQLDataTabRec.h"

int64_t CountStoredNodes(cSQLDatabase& database) {
    return database.QueryInt64(QStringLiteral("select count(*) from Node"));
}
