#include "engine/uEnclosureJob.h"

#include "engine/uDownloadStates.h"
#include "engine/uEngineLog.h"
#include "ingest/uEnclosure.h"
#include "ingest/uHTTP.h"
#include "storage/uConfig.h"
#include "storage/uErrors.h"

#include <QFile>

namespace {

// True when the whole body reached the file.
bool FetchToFile(const QString& url, const QString& path) {
    QFile file(path);
    // Unbuffered: each piece goes to the file as libcurl hands it over.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        qCDebug(EngineLog) << "enclosure file not created:" << path << file.errorString();
        return false;
    }
    if (!cHTTP(HTTPFetchKind::EnclosureDownload).GetToDevice(url, file)) {
        qCDebug(EngineLog) << "enclosure not downloaded:" << url;
        return false;
    }
    return file.error() == QFileDevice::NoError;
}

} // namespace

void DownloadEnclosure(cSQLDatabase& database, const cEnclosure& enclosure) {
    cDownloadClaim claim(database, EnclosureDownloads, enclosure.ID());
    if (!claim.Taken())
        return;
    const QString path = enclosure.EnclosureFileName();
    if (FetchToFile(enclosure.Url(), path)) {
        try {
            claim.Finish(dsDownloaded);
            return;
        } catch (const EVelmoraError& error) {
            qCDebug(EngineLog) << "enclosure download not recorded:" << error.Message();
        }
    }
    // The file goes first: a failure that cannot be recorded still leaves
    // no partial file behind.
    QFile::remove(path);
    claim.Finish(dsFailed);
}

void cEnclosureJob::Run() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    cEnclosureTable enclosures(database);
    enclosures.OpenQueuedEnclosures();
    if (enclosures.Count() > 0)
        DownloadEnclosure(database, *enclosures.Record(0));
}
