#include "engine/uHTMLDownloadJob.h"

#include "engine/uDownloadStates.h"
#include "engine/uJobDatabase.h"
#include "ingest/uMHTML.h"
#include "ingest/uNode.h"

void cHTMLDownloadJob::Run() {
    cJobDatabase connection;
    cNodeTable nodes(connection.Database());
    nodes.OpenNodesToDownload();
    if (nodes.Count() == 0)
        return;
    const cNode& node = *nodes.Record(0);
    RunDownload(connection.Database(), PageDownloads, node.ID(), node.PageFileName(), [&] {
        SavePageAsMHT(node.Link(), node.PageFileName());
        return true;
    });
}
