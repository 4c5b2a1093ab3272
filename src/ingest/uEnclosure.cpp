#include "ingest/uEnclosure.h"

#include "storage/uConfig.h"
#include "storage/uSQLValue.h"

#include <algorithm>

QString UrlExtension(const QString& url) {
    // A query or a fragment names no file type; in a file name it would
    // only get in the way, and a signed address's is too long for one.
    qsizetype end = url.size();
    for (QChar delimiter : {QLatin1Char('?'), QLatin1Char('#')})
        if (const qsizetype at = url.indexOf(delimiter); at >= 0)
            end = std::min(end, at);
    const QStringView path = QStringView(url).left(end);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    const QStringView extension = path.mid(dot);
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
