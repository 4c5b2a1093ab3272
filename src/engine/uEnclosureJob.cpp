#include "engine/uEnclosureJob.h"

#include "engine/uDownloadStates.h"
#include "engine/uEngineLog.h"
#include "engine/uJobDatabase.h"
#include "ingest/uEnclosure.h"
#include "ingest/uHTTP.h"

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

void cEnclosureJob::Run() {
    cJobDatabase connection;
    cEnclosureTable enclosures(connection.Database());
    enclosures.OpenQueuedEnclosures();
    if (enclosures.Count() == 0)
        return;
    const cEnclosure& enclosure = *enclosures.Record(0);
    const QString path = enclosure.EnclosureFileName();
    RunDownload(connection.Database(), EnclosureDownloads, enclosure.ID(), path,
                [&] { return FetchToFile(enclosure.Url(), path); });
}
