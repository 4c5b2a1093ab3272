#pragma once

#include "engine/uEnginePresence.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class cJobKind;
class cThreadPool;
class cSQLDatabase;
class cChannelTable;

// The periodic job kinds the scheduler keeps queued, in the order it
// ensures them.
const std::vector<const cJobKind*>& PeriodicJobKinds();

// When the scheduler wakes next, given the earliest stored due time: in one
// minute, unless that time lies within the next second.
QDateTime WakeUpTime(const QString& earliestDue, const QDateTime& now);

// One pass of the scheduler on its own connection: submit an update job for
// every due channel without one, ensure the periodic jobs, log
// "next schedule". A failing statement ends the pass only.
class cSchedulePass {
public:
    explicit cSchedulePass(cThreadPool& pool);
    ~cSchedulePass();

    // Returns the wake-up time of the next pass.
    QDateTime Run(const std::atomic<bool>& stopRequested);
    // Once, when the engine starts alone, before the first pass: downloads
    // an earlier process left at downloading are requested again.
    void RequestInterruptedDownloadsAgain();

private:
    // The query planner's statistics, renewed at the first pass and then
    // hourly, so that it keeps choosing the indexes that fit the data.
    void RenewPlannerStatisticsWhenDue();

    static constexpr int PassesBetweenStatistics = 60;

    cThreadPool& FPool;
    int FPassesSinceStatistics = PassesBetweenStatistics;
    std::unique_ptr<cSQLDatabase> FDatabase;
    std::unique_ptr<cChannelTable> FChannels;
};

// The thread that runs a pass once a minute, or at once when asked. It
// starts when built and stops (within a second, between steps) when asked
// or destroyed.
class cThUpdateScheduler {
public:
    explicit cThUpdateScheduler(cThreadPool& pool);
    ~cThUpdateScheduler();
    cThUpdateScheduler(const cThUpdateScheduler&) = delete;
    cThUpdateScheduler& operator=(const cThUpdateScheduler&) = delete;

    void RequestStop();
    // Runs the next pass at once rather than at its planned time, as when
    // the user subscribed to a feed or asked for a channel's refresh.
    void RunPassNow();

private:
    void Body();

    cThreadPool& FPool;
    // Before the thread, which reads it.
    cEnginePresence FPresence;
    std::atomic<bool> FStopRequested{false};
    std::mutex FSleepLock;
    // Guarded by FSleepLock.
    bool FPassRequested = false;
    std::condition_variable FSleepSignal;
    std::thread FThread;
};
