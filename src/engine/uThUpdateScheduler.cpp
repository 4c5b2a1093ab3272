#include "engine/uThUpdateScheduler.h"

#include "model/uOMChannel.h"

#include "engine/uArchiveJob.h"
#include "engine/uDownloadStates.h"
#include "engine/uEnclosureJob.h"
#include "engine/uEngineLog.h"
#include "engine/uHTMLDownloadJob.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "engine/uUpdateJob.h"
#include "ingest/uChannel.h"
#include "storage/uConfig.h"
#include "storage/uDTFormat.h"
#include "storage/uErrors.h"
#include "storage/uRefId.h"
#include "storage/uSQLDataTabRec.h"
#include "storage/uSchema.h"

#include <pthread.h>
#include <sys/resource.h>

const std::vector<const cJobKind*>& PeriodicJobKinds() {
    static const std::vector<const cJobKind*> kinds = {
        &JobKindOf<cEnclosureJob>(), &JobKindOf<cHTMLDownloadJob>(), &JobKindOf<cCategoryStatJob>(),
        &JobKindOf<cArchiveJob>(), &JobKindOf<cChannelStatJob>()};
    return kinds;
}

QDateTime WakeUpTime(const QString& earliestDue, const QDateTime& now) {
    QDateTime wakeUp = now.addSecs(60);
    try {
        wakeUp = TextToDateTime(earliestDue);
    } catch (const EVelmoraError& error) {
        // An unreadable due time means waiting a minute.
        qCDebug(EngineLog) << "due time unreadable:" << error.Message();
    }
    if (now > wakeUp || now.msecsTo(wakeUp) > 1000)
        wakeUp = now.addSecs(60);
    return wakeUp;
}

cSchedulePass::cSchedulePass(cThreadPool& pool)
    : FPool(pool), FDatabase(std::make_unique<cSQLDatabase>()),
      FChannels(std::make_unique<cChannelTable>(*FDatabase)) {
    FDatabase->Open(GetConfig().MainDatabasePath());
}

cSchedulePass::~cSchedulePass() {
    FChannels.reset();
    FDatabase.reset();
}

QDateTime cSchedulePass::Run(const std::atomic<bool>& stopRequested) {
    try {
        FChannels->OpenDueChannels();
        for (int index = 0; index < FChannels->Count() && !stopRequested; ++index) {
            const int64_t channelId = FChannels->Record(index)->ID();
            if (!FPool.IsChannelUpdateQueued(channelId))
                FPool.AddJob(std::make_unique<cUpdateJob>(channelId));
        }
        if (!stopRequested)
            for (const cJobKind* kind : PeriodicJobKinds())
                if (!FPool.IsJobQueued(*kind))
                    FPool.AddJob(kind->Create());
        QString earliestDue;
        // With no channel there is no due time: the pass waits a minute.
        if (CountChannels(*FDatabase) > 0)
            earliestDue = QString::fromUtf8(FDatabase->QueryText(QStringLiteral(
                "select NextUpdateDateTime_UTC from Channel order by NextUpdateDateTime_UTC asc")));
        WriteActionLog(*FDatabase, ActionLogSource, QStringLiteral("next schedule"), earliestDue);
        RenewPlannerStatisticsWhenDue();
        return WakeUpTime(earliestDue, LocalNow());
    } catch (const EVelmoraError& error) {
        // The next pass tries again.
        qCDebug(EngineLog) << "schedule pass failed:" << error.Message();
        return LocalNow().addSecs(60);
    }
}

void cSchedulePass::RequestInterruptedDownloadsAgain() {
    try {
        ::RequestInterruptedDownloadsAgain(*FDatabase);
    } catch (const EVelmoraError& error) {
        // They stay at downloading until the engine starts again.
        qCDebug(EngineLog) << "interrupted downloads not requested again:" << error.Message();
    }
}

void cSchedulePass::RenewPlannerStatisticsWhenDue() {
    if (++FPassesSinceStatistics < PassesBetweenStatistics)
        return;
    FPassesSinceStatistics = 0;
    RenewPlannerStatistics(*FDatabase);
}

cThUpdateScheduler::cThUpdateScheduler(cThreadPool& pool)
    : FPool(pool), FThread([this] { Body(); }) {}

cThUpdateScheduler::~cThUpdateScheduler() {
    RequestStop();
    if (FThread.joinable())
        FThread.join();
}

void cThUpdateScheduler::RequestStop() {
    std::lock_guard<std::mutex> hold(FSleepLock);
    FStopRequested = true;
    FSleepSignal.notify_all();
}

void cThUpdateScheduler::RunPassNow() {
    std::lock_guard<std::mutex> hold(FSleepLock);
    FPassRequested = true;
    FSleepSignal.notify_all();
}

void cThUpdateScheduler::Body() {
    pthread_setname_np(pthread_self(), "ThUpdateSchedul");
    // Idle priority, as far as this process may lower itself.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    try {
        cSchedulePass pass(FPool);
        if (FPresence.StartedAlone())
            pass.RequestInterruptedDownloadsAgain();
        while (!FStopRequested) {
            const QDateTime wakeUp = pass.Run(FStopRequested);
            // The wall clock may step back (daylight saving time ends, the
            // time is corrected), so the wait also ends on the steady clock
            // once it has lasted as planned, never over a minute; a glance at
            // the wall clock each second ends it early when that clock jumps
            // ahead, as after a suspend, which the steady clock does not count.
            using namespace std::chrono;
            const steady_clock::time_point planned =
                steady_clock::now() +
                milliseconds(std::clamp<qint64>(LocalNow().msecsTo(wakeUp), 0, 60 * 1000));
            std::unique_lock<std::mutex> hold(FSleepLock);
            while (!FStopRequested && !FPassRequested && LocalNow() < wakeUp) {
                const steady_clock::time_point now = steady_clock::now();
                if (now >= planned)
                    break;
                FSleepSignal.wait_until(hold, std::min(planned, now + seconds(1)));
            }
            FPassRequested = false;
        }
    } catch (const EVelmoraError& error) {
        // Without its database the scheduler cannot run; the process goes on.
        qCDebug(EngineLog) << "scheduler stopped:" << error.Message();
    }
}
