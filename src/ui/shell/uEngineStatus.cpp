#include "ui/shell/uEngineStatus.h"

#include "engine/uThreadPool.h"
#include "model/uOMNode.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"
#include "ui/shell/uUiLog.h"

TEngineStatus::TEngineStatus(cSQLDatabase& database, cThreadPool& pool, QWidget* parent)
    : QLabel(parent), FDatabase(database), FPool(pool) {
    setObjectName(QStringLiteral("panStatus"));
    setFixedHeight(25);
    setContentsMargins(6, 0, 6, 0);
    FTimer.setInterval(1000);
    connect(&FTimer, &QTimer::timeout, this, &TEngineStatus::Poll);
    FTimer.start();
}

void TEngineStatus::Poll() {
    const int running = FPool.QueuedUpdateCount();
    try {
        if (running > 0 && FRunning == 0)
            FNodesBefore = CountStoredNodes(FDatabase);
        if (running > 0)
            setText(QStringLiteral("Updating %1 channels").arg(running));
        else if (FRunning > 0)
            setText(QStringLiteral("Last update %1: %2 new items")
                        .arg(LocalNow().toString(QStringLiteral("HH:mm")))
                        .arg(CountStoredNodes(FDatabase) - FNodesBefore));
    } catch (const EVelmoraError& error) {
        qCWarning(UiLog) << "status not read:" << error.Message();
    }
    FRunning = running;
}
