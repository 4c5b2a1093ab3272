#include "engine/uThUpdateScheduler.h"

#include "EngineFixture.h"
#include "TestFiles.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uStatJobs.h"
#include "engine/uThreadPool.h"
#include "storage/uDTFormat.h"

namespace {

// A job that keeps a worker busy until the test opens its gate.
class cBusyJob : public cBaseJob {
public:
    explicit cBusyJob(cGate& gate) : FGate(gate) {}
    void Run() override { FGate.Wait(); }
    QString ThreadName() const override { return QStringLiteral("cBusyJob"); }

private:
    cGate& FGate;
};

class Scheduler : public EngineFixture {
protected:
    Scheduler() {
        // Both workers held, so that what a pass submits stays queued.
        Pool.AddJob(std::make_unique<cBusyJob>(Gate));
        Pool.AddJob(std::make_unique<cBusyJob>(Gate));
    }
    ~Scheduler() override {
        Gate.Open();
        LaterGate.Open();
        Pool.Shutdown();
    }
    void AddChannel(int64_t id, const QString& nextUpdate) {
        Database.Execute(QStringLiteral("insert into Channel (ID, ChannelURL, "
                                        "NextUpdateDateTime_UTC) values(%1,'http://127.0.0.1:1/',"
                                        "'%2')")
                             .arg(id)
                             .arg(nextUpdate));
    }
    int ScheduleEntries() {
        return Count(
            QStringLiteral("select count(*) from ActionLog where Action = 'next schedule'"));
    }

    // Gates outlive the pool's workers, which may still be leaving them.
    cGate Gate;
    cGate LaterGate;
    cDirectDispatcher Dispatcher;
    cThreadPool Pool{2, Dispatcher};
    std::atomic<bool> NoStop{false};
};

} // namespace

TEST_F(Scheduler, APassSubmitsDueChannelsAndPeriodicJobsOnce) {
    AddChannel(1, QString());
    AddChannel(2, QStringLiteral("2000/01/01 10:00:00"));
    AddChannel(3, QStringLiteral("2999/01/01"));
    cSchedulePass pass(Pool);
    pass.Run(NoStop);
    EXPECT_TRUE(Pool.IsChannelUpdateQueued(1));
    EXPECT_TRUE(Pool.IsChannelUpdateQueued(2));
    EXPECT_FALSE(Pool.IsChannelUpdateQueued(3));
    for (const cJobKind* kind : PeriodicJobKinds())
        EXPECT_TRUE(Pool.IsJobQueued(*kind));
    const int queued = Pool.QueuedJobCount();
    EXPECT_EQ(queued, 2 + 2 + static_cast<int>(PeriodicJobKinds().size()));

    pass.Run(NoStop);
    EXPECT_EQ(Pool.QueuedJobCount(), queued) << "nothing queued or running is submitted again";
    EXPECT_EQ(ScheduleEntries(), 2);
    EXPECT_EQ(QString::fromUtf8(Database.QueryText(
                  QStringLiteral("select Detail from ActionLog where Action = 'next schedule'"))),
              QString())
        << "the earliest due time is the never-scheduled channel's";
}

TEST_F(Scheduler, FinishedPeriodicJobsAreCreatedAgainByTheNextPass) {
    cSchedulePass pass(Pool);
    pass.Run(NoStop);
    Gate.Open();
    ASSERT_TRUE(Eventually([&] { return Pool.QueuedJobCount() == 0; }));
    for (const cJobKind* kind : PeriodicJobKinds())
        EXPECT_FALSE(Pool.IsJobQueued(*kind));

    Pool.AddJob(std::make_unique<cBusyJob>(LaterGate));
    Pool.AddJob(std::make_unique<cBusyJob>(LaterGate));
    pass.Run(NoStop);
    for (const cJobKind* kind : PeriodicJobKinds())
        EXPECT_TRUE(Pool.IsJobQueued(*kind));
    EXPECT_EQ(ScheduleEntries(), 2);
}

TEST_F(Scheduler, AnEmptyChannelTableOrAFailingStatementMeansWaitingAMinute) {
    cSchedulePass pass(Pool);
    const QDateTime before = LocalNow();
    const QDateTime wakeUp = pass.Run(NoStop);
    EXPECT_GE(before.msecsTo(wakeUp), 59000);
    EXPECT_EQ(ScheduleEntries(), 1);

    Database.Execute(QStringLiteral("drop table ActionLog"));
    const QDateTime afterFailure = pass.Run(NoStop);
    EXPECT_GE(before.msecsTo(afterFailure), 59000);
    Database.Execute(QStringLiteral("create table ActionLog (EntryNo integer primary key, Source "
                                    "text, Action text, LoggedAt text, Detail text)"));
}

TEST(WakeUp, WaitsAMinuteUnlessTheEarliestDueTimeIsWithinASecond) {
    const QDateTime now = WallClock(QDate(2024, 1, 5), QTime(10, 0, 0, 500));
    const QDateTime inAMinute = now.addSecs(60);
    const struct {
        const char* earliestDue;
        QDateTime expected;
    } cases[] = {
        {"2024/01/05 10:00:01", WallClock(QDate(2024, 1, 5), QTime(10, 0, 1))},
        {"2024/01/05 10:00:30", inAMinute},
        {"2024/01/05 09:00:00", inAMinute},
        {"", inAMinute},
        {"not a time", inAMinute},
    };
    for (const auto& row : cases)
        EXPECT_EQ(WakeUpTime(QString::fromLatin1(row.earliestDue), now), row.expected)
            << row.earliestDue;
}

// Daylight saving time ends while the scheduler waits for a channel due
// within the second: the wall clock steps back an hour, and the next pass
// still comes when planned, not an hour later.
TEST_F(Scheduler, APassComesAsPlannedWhenTheWallClockStepsBack) {
    using namespace std::chrono;
    // In UTC, two seconds at most from now; the zone's rule names it in
    // daylight time, an hour ahead of UTC.
    const QDateTime stepBack =
        QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 2, Qt::UTC);
    const QDateTime daylightEnd = stepBack.addSecs(3600);
    const cScopedTimeZone zone(QStringLiteral("STD0DST-1,0/0,%1/%2")
                                   .arg(daylightEnd.date().dayOfYear() - 1)
                                   .arg(daylightEnd.time().toString(QStringLiteral("hh:mm:ss")))
                                   .toLatin1()
                                   .constData());
    // Due 0.3 seconds after the step, in daylight time: within the second of
    // a first pass 0.6 seconds before the step, so the scheduler plans to
    // wake then.
    const QDateTime due = daylightEnd.addMSecs(300);
    AddChannel(1, due.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss.zzz")));
    std::this_thread::sleep_until(
        system_clock::time_point(milliseconds(stepBack.toMSecsSinceEpoch() - 600)));

    cThUpdateScheduler scheduler(Pool);
    // A slow first pass, after the step, waits a minute as usual.
    EXPECT_TRUE(Eventually([&] { return ScheduleEntries() == 2; }, seconds(75)));
}

TEST_F(Scheduler, TheSchedulerThreadPassesAtStartAndStopsWhenAsked) {
    {
        cThUpdateScheduler scheduler(Pool);
        ASSERT_TRUE(Eventually([&] { return ScheduleEntries() == 1; }));
    }
    EXPECT_EQ(ScheduleEntries(), 1);
}

TEST_F(Scheduler, AskedForAPassTheSchedulerRunsItAtOnce) {
    cThUpdateScheduler scheduler(Pool);
    ASSERT_TRUE(Eventually([&] { return ScheduleEntries() == 1; }));
    // The next planned pass is a minute away.
    scheduler.RunPassNow();
    EXPECT_TRUE(Eventually([&] { return ScheduleEntries() == 2; }));
}
