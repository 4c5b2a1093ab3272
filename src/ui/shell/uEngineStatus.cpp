#include "ui/shell/uEngineStatus.h"

#include "engine/uThreadPool.h"
#include "model/uOMChannel.h"
#include "model/uOMNode.h"
#include "readmodels/uChannelState.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"
#include "storage/uSQLLiteImp.h"
#include "ui/chrome/uCountedText.h"
#include "ui/shell/uUiLog.h"

#include <algorithm>

namespace {

// At most this many failing feeds are named in the hint.
constexpr int NamedFailures = 20;

// The feeds whose last update failed, one line each with why.
QStringList FailingFeeds(cSQLDatabase& database) {
    cChannelStateTable states(database);
    states.QueryChannelStates(0, QString(), true);
    QStringList lines;
    for (int index = 0; index < states.Count(); ++index) {
        const cChannelState& state = *states.Record(index);
        const QString name = state.Title().isEmpty() ? state.ChannelURL() : state.Title();
        lines << (state.FailureReason().isEmpty()
                      ? name
                      : name + QStringLiteral(": ") + state.FailureReason());
    }
    return lines;
}

} // namespace

TEngineStatus::TEngineStatus(cSQLDatabase& database, cThreadPool& pool, QWidget* parent)
    : QLabel(parent), FDatabase(database), FPool(pool),
      // Faults raised before the window existed were reported where they
      // happened (the start-up failed, or its caller handled them).
      FFaultSerial(LastDatabaseFault().Serial) {
    setObjectName(QStringLiteral("panStatus"));
    setFixedHeight(25);
    // A fault's sentence holds a path: it must not widen the window.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setContentsMargins(6, 0, 6, 0);
    FFinished = FPool.FinishedUpdateCount();
    try {
        FSeenVersion = FDatabase.OtherConnectionsVersion();
        FNodesBefore = CountStoredNodes(FDatabase);
        // A first start shows empty lists: the panel says where to begin.
        if (CountChannels(FDatabase) == 0)
            setText(QStringLiteral("No feeds yet: Channel > Insert a new feed (Ctrl+N), or "
                                   "File > Import subscriptions"));
    } catch (const EVelmoraError& error) {
        qCWarning(UiLog) << "status not read:" << error.Message();
    }
    FTimer.setInterval(1000);
    connect(&FTimer, &QTimer::timeout, this, &TEngineStatus::Poll);
    FTimer.start();
}

void TEngineStatus::Poll() {
    const int running = FPool.QueuedUpdateCount();
    const uint64_t finished = FPool.FinishedUpdateCount();
    const bool passStarted = running > 0 && FRunning == 0;
    // Ended since the last look, which may not have seen it run.
    const bool passEnded = running == 0 && (FRunning > 0 || finished != FFinished);
    QString progress;
    // The progress text's hint: which feeds failed, and why.
    QString progressHint;
    try {
        if (running > 0) {
            progress = Counted(running, "channel", "channels").prepend(QStringLiteral("Updating "));
        } else if (passEnded) {
            const int64_t nodes = CountStoredNodes(FDatabase);
            progress = QStringLiteral("Last update %1: %2")
                           .arg(LocalNow().toString(QStringLiteral("HH:mm")),
                                Counted(std::max<int64_t>(0, nodes - FNodesBefore), "new item",
                                        "new items"));
            FNodesBefore = nodes;
            FSeenVersion = FDatabase.OtherConnectionsVersion();
            // A feed that keeps failing would otherwise go unnoticed: its
            // rows look like those of a feed with nothing new. A fault of
            // this query leaves the summary above as it is.
            try {
                const QStringList failing = FailingFeeds(FDatabase);
                if (!failing.isEmpty()) {
                    progress += QStringLiteral(", ") +
                                Counted(failing.size(), "feed failing", "feeds failing");
                    progressHint = failing.mid(0, NamedFailures).join(QLatin1Char('\n'));
                    if (failing.size() > NamedFailures)
                        progressHint += QStringLiteral("\n...");
                }
            } catch (const EVelmoraError& error) {
                qCWarning(UiLog) << "failing feeds not read:" << error.Message();
            }
        } else if (const int64_t version = FDatabase.OtherConnectionsVersion();
                   version != FSeenVersion) {
            // Idle: the count the next pass is measured from.
            FNodesBefore = CountStoredNodes(FDatabase);
            FSeenVersion = version;
        }
    } catch (const EVelmoraError& error) {
        qCWarning(UiLog) << "status not read:" << error.Message();
    }
    FRunning = running;
    FFinished = finished;
    if (passStarted)
        FFaultInPass = false;

    // Read after the counts, so that a fault of those reads shows now.
    const cDatabaseFault fault = LastDatabaseFault();
    if (fault.Serial != FFaultSerial) {
        FFaultSerial = fault.Serial;
        FFaultInPass = true;
        if (fault.Summary != FFaultShown) {
            FFaultShown = fault.Summary;
            setText(fault.Summary);
            setToolTip(fault.Message);
            qCWarning(UiLog) << fault.Message;
            emit databaseFaultShown(fault.Message);
        }
        return;
    }
    if (!FFaultShown.isEmpty()) {
        if (!passEnded || FFaultInPass)
            return;
        FFaultShown.clear();
        setToolTip(progressHint);
        setText(progress);
        return;
    }
    if (!progress.isEmpty()) {
        setToolTip(progressHint);
        setText(progress);
    }
}
