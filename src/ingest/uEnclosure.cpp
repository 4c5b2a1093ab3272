#include "ingest/uEnclosure.h"

#include "storage/uConfig.h"
#include "storage/uSQLValue.h"

QString UrlExtension(const QString& url) {
    const qsizetype dot = url.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    const QStringView extension = QStringView(url).mid(dot);
    // A separator after the dot would put the file outside the cache folder.
    for (QChar separator : {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char(':')})
        if (extension.contains(separator))
            return QString();
    return extension.toString();
}

QString cEnclosure::EnclosureFileName() const {
    return GetConfig().CacheFolder % NumberText(ID()) % UrlExtension(Url());
}

cEnclosureTable::cEnclosureTable(cSQLDatabase& database)
    : cOmEnclosureTable(database, &RecordClassOf<cEnclosure>()) {}

void cEnclosureTable::OpenNodeEnclosures(int64_t nodeId) {
    Query(QStringLiteral(" select Id,Url,Length,MediaType,Status  from Enclosure,Node2Enclosure  "
                         "where Enclosure.id = node2enclosure.enclosureid  and "
                         "node2Enclosure.nodeid = ") %
          NumberText(nodeId));
}

void cEnclosureTable::OpenQueuedEnclosures() {
    Query(
        QStringLiteral(" select Id,Url,Length,MediaType,Status  from Enclosure  where Status = ") %
        QStringLiteral("2"));
}
