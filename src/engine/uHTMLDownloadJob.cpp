#include "engine/uHTMLDownloadJob.h"

#include "engine/uDownloadStates.h"
#include "engine/uEngineLog.h"
#include "ingest/uMHTML.h"
#include "ingest/uNode.h"
#include "model/uOMEnclosure.h"
#include "storage/uConfig.h"
#include "storage/uErrors.h"

#include <QFile>

void cHTMLDownloadJob::Run() {
    cSQLDatabase database;
    database.Open(GetConfig().MainDatabasePath());
    cNodeTable nodes(database);
    nodes.OpenNodesToDownload();
    if (nodes.Count() == 0)
        return;
    const cNode& node = *nodes.Record(0);
    cDownloadClaim claim(database, PageDownloads, node.ID());
    if (!claim.Taken())
        return;
    const QString path = node.PageFileName();
    try {
        SavePageAsMHT(node.Link(), path);
        claim.Finish(dsDownloaded);
        return;
    } catch (const EVelmoraError& error) {
        qCDebug(EngineLog) << "page not saved:" << node.Link() << error.Message();
    }
    // A failed page keeps no file, not even one saved by an earlier request.
    QFile::remove(path);
    claim.Finish(dsFailed);
}
