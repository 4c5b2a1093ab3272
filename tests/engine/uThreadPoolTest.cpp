#include "engine/uThreadPool.h"

#include "EngineFixture.h"
#include "TestHttpServer.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uUpdateJob.h"
#include "ingest/uHTTP.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <future>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

// What the jobs of one test saw, shared with the test.
struct cJournal {
    std::mutex Lock;
    std::vector<int> Started;
    std::vector<QString> ThreadNames;
    std::atomic<int> Destroyed{0};
    std::atomic<int> DoneCalls{0};

    void Start(int number) {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        std::lock_guard<std::mutex> hold(Lock);
        Started.push_back(number);
        ThreadNames.push_back(QString::fromUtf8(name));
    }
    std::vector<int> StartedSoFar() {
        std::lock_guard<std::mutex> hold(Lock);
        return Started;
    }
    // The start order, with the first two jobs (taken at the same moment by
    // two workers, so they may begin in either order) sorted.
    std::vector<int> StartOrder() {
        std::vector<int> order = StartedSoFar();
        if (order.size() >= 2)
            std::sort(order.begin(), order.begin() + 2);
        return order;
    }
};

class cProbeJob : public cBaseJob {
public:
    cProbeJob(cJournal& journal, int number, cGate* gate = nullptr, bool raises = false)
        : FJournal(journal), FNumber(number), FGate(gate), FRaises(raises) {}
    ~cProbeJob() override { ++FJournal.Destroyed; }

    void Run() override {
        FJournal.Start(FNumber);
        if (FGate)
            FGate->Wait();
        if (FRaises)
            throw EVelmoraError(QStringLiteral("job failed"));
    }
    QString ThreadName() const override { return QStringLiteral("cProbeJob"); }

private:
    cJournal& FJournal;
    int FNumber;
    cGate* FGate;
    bool FRaises;
};

// An update job that waits at a gate instead of refreshing.
class cHeldUpdateJob : public cUpdateJob {
public:
    cHeldUpdateJob(int64_t channelId, cGate& gate, cJournal& journal)
        : cUpdateJob(channelId), FGate(gate), FJournal(journal) {}
    void Run() override {
        FJournal.Start(static_cast<int>(ChannelId));
        FGate.Wait();
    }

private:
    cGate& FGate;
    cJournal& FJournal;
};

std::unique_ptr<cBaseJob> Urgent(std::unique_ptr<cBaseJob> job) {
    job->Urgent = 1;
    return job;
}

QStringList ThreadNamesOfProcess() {
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll()).chopped(1);
    }
    return names;
}

class ThreadPool : public testing::Test {
protected:
    cDirectDispatcher Dispatcher;
    cJournal Journal;
    cThreadPool Pool{2, Dispatcher};
};

} // namespace

TEST_F(ThreadPool, NormalJobsRunTwoAtATimeInSubmissionOrder) {
    cGate gates[5];
    for (int number = 0; number < 5; ++number)
        Pool.AddJob(std::make_unique<cProbeJob>(Journal, number, &gates[number]));
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 2; }));
    EXPECT_EQ(Journal.StartOrder(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Pool.WorkerThreadCount(), 2);
    for (int number = 0; number < 5; ++number) {
        gates[number].Open();
        ASSERT_TRUE(Eventually(
            [&] { return Journal.StartedSoFar().size() == std::min<size_t>(5, number + 3); }));
    }
    ASSERT_TRUE(Eventually([&] { return Journal.Destroyed == 5; }));
    EXPECT_EQ(Journal.StartOrder(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Pool.WorkerThreadCount(), 2);
    EXPECT_EQ(Journal.ThreadNames[0], QStringLiteral("cProbeJob"));
}

TEST_F(ThreadPool, AnUrgentJobGetsAThirdWorkerWhichThenLeavesNormalJobsAlone) {
    cGate normal;
    for (int number = 0; number < 3; ++number)
        Pool.AddJob(std::make_unique<cProbeJob>(Journal, number, &normal));
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 2; }));

    Pool.AddJob(Urgent(std::make_unique<cProbeJob>(Journal, 10)));
    ASSERT_TRUE(Eventually([&] { return Journal.Destroyed == 1; }));
    EXPECT_EQ(Pool.WorkerThreadCount(), 3);
    ASSERT_TRUE(Eventually([&] { return Pool.ActiveWorkerCount() == 2; }))
        << "the third worker parks instead of taking the waiting normal job";
    EXPECT_EQ(Journal.StartOrder(), (std::vector<int>{0, 1, 10}));
    normal.Open();
    ASSERT_TRUE(Eventually([&] { return Journal.Destroyed == 4; }));
}

TEST_F(ThreadPool, ABurstOfUrgentJobsNeverMakesMoreThanTwiceTheWorkerCount) {
    cGate held;
    for (int number = 0; number < 2; ++number)
        Pool.AddJob(std::make_unique<cProbeJob>(Journal, number, &held));
    for (int number = 10; number < 16; ++number)
        Pool.AddJob(Urgent(std::make_unique<cProbeJob>(Journal, number, &held)));
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 4; }));
    EXPECT_EQ(Pool.WorkerThreadCount(), 4);
    held.Open();
    ASSERT_TRUE(Eventually([&] { return Journal.Destroyed == 8; }));
    EXPECT_EQ(Pool.WorkerThreadCount(), 4);
}

TEST_F(ThreadPool, DuplicateChecksSeeRunningJobsAndForgetFinishedOnes) {
    cGate gate;
    Pool.AddJob(std::make_unique<cHeldUpdateJob>(42, gate, Journal));
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 1; }));
    EXPECT_TRUE(Pool.IsChannelUpdateQueued(42));
    EXPECT_FALSE(Pool.IsChannelUpdateQueued(42 + (int64_t(1) << 32)));
    EXPECT_TRUE(Pool.IsJobQueued(JobKindOf<cUpdateJob>()));
    EXPECT_FALSE(Pool.IsJobQueued(JobKindOf<cProbeJob>()));
    gate.Open();
    ASSERT_TRUE(Eventually([&] { return Pool.QueuedJobCount() == 0; }));
    EXPECT_FALSE(Pool.IsChannelUpdateQueued(42));
    EXPECT_FALSE(Pool.IsJobQueued(JobKindOf<cUpdateJob>()));
}

TEST_F(ThreadPool, WaitingForIdleEndsWhenTheLastJobEndsAndNotBefore) {
    using namespace std::chrono_literals;
    EXPECT_TRUE(Pool.WaitUntilIdle(0ms)) << "an empty pool is idle";
    cGate gates[3];
    for (int number = 0; number < 3; ++number)
        Pool.AddJob(std::make_unique<cProbeJob>(Journal, number, &gates[number]));
    EXPECT_FALSE(Pool.WaitUntilIdle(20ms));
    gates[0].Open();
    gates[1].Open();
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 3; }));
    EXPECT_FALSE(Pool.WaitUntilIdle(20ms)) << "the third job still runs";
    auto opener = std::async(std::launch::async, [&] { gates[2].Open(); });
    // A waiter nobody wakes would still find the pool idle, but only once
    // its whole timeout has passed.
    const auto waitStarted = std::chrono::steady_clock::now();
    EXPECT_TRUE(Pool.WaitUntilIdle(30s));
    EXPECT_LT(std::chrono::steady_clock::now() - waitStarted, 30s) << "woken by the last job's end";
}

TEST_F(ThreadPool, ARaisingJobIsDestroyedWithoutItsOnDoneAndTheNextJobRuns) {
    auto failing = std::make_unique<cProbeJob>(Journal, 1, nullptr, true);
    failing->OnDone = [&] { ++Journal.DoneCalls; };
    auto succeeding = std::make_unique<cProbeJob>(Journal, 2);
    succeeding->OnDone = [&] { ++Journal.DoneCalls; };
    Pool.AddJob(std::move(failing));
    Pool.AddJob(std::move(succeeding));
    ASSERT_TRUE(Eventually([&] { return Journal.Destroyed == 2; }));
    EXPECT_EQ(Journal.DoneCalls, 1);
}

TEST_F(ThreadPool, WorkersAreNamedAfterTheirJobAndInactiveBetweenJobs) {
    cGate gate;
    Pool.AddJob(std::make_unique<cHeldUpdateJob>(42, gate, Journal));
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 1; }));
    EXPECT_EQ(Journal.ThreadNames[0], QStringLiteral("cUpdateJob 42"));
    EXPECT_TRUE(ThreadNamesOfProcess().contains(QStringLiteral("cUpdateJob 42")));
    gate.Open();
    ASSERT_TRUE(
        Eventually([&] { return ThreadNamesOfProcess().contains(QStringLiteral(" Inactive")); }));
}

// A process that can start no more threads (here its address space has no
// room for another stack) goes on: the job submitted then waits, and runs
// once a worker can start.
TEST_F(ThreadPool, AJobSubmittedWhenNoThreadCanStartRunsOnceOneCan) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    // Threads that hold the stacks the C library keeps from ended threads,
    // so that a new thread needs fresh address space.
    cGate holders;
    std::vector<std::thread> stackHolders;
    for (int index = 0; index < 16; ++index)
        stackHolders.emplace_back([&] { holders.Wait(); });
    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &original), 0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const rlim_t pages = statm.readAll().split(' ').first().toULongLong();
    rlimit tight = original;
    tight.rlim_cur = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + 1024 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    bool threadStarted = true;
    try {
        std::thread([] {}).join();
    } catch (const std::system_error&) {
        threadStarted = false;
    }
    EXPECT_NO_THROW(Pool.AddJob(std::make_unique<cProbeJob>(Journal, 1)));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &original), 0);
    holders.Open();
    for (std::thread& holder : stackHolders)
        holder.join();
    ASSERT_FALSE(threadStarted) << "the limit left room for a thread";

    EXPECT_TRUE(Journal.StartedSoFar().empty());
    Pool.AddJob(std::make_unique<cProbeJob>(Journal, 2));
    ASSERT_TRUE(Eventually([&] { return Journal.StartedSoFar().size() == 2; }));
    EXPECT_TRUE(Pool.WaitUntilIdle(std::chrono::seconds(10)));
}

// The fetching job waits, as for the database, until shutdown has begun:
// the fetch it then makes is cut short before any request goes out.
TEST(ThreadPoolShutdown, ARunningJobFinishesBeforeItIsDestroyedAndFetchesAreCutShort) {
    cDirectDispatcher dispatcher;
    cJournal journal;
    cTestHttpServer server;
    cTestEndpoint answer;
    answer.Body = "<rss/>";
    auto feed = server.Serve("/feed.xml", answer);
    std::atomic<bool> fetchWaits{false};
    std::atomic<bool> fetched{false};
    class cFetchJob : public cBaseJob {
    public:
        cFetchJob(QString url, cGate& gate, std::atomic<bool>& waits, std::atomic<bool>& fetched)
            : FUrl(std::move(url)), FGate(gate), FWaits(waits), FFetched(fetched) {}
        void Run() override {
            FWaits = true;
            FGate.Wait();
            QBuffer stream;
            stream.open(QIODevice::ReadWrite);
            FFetched = !cHTTP().GetToStream(FUrl, stream).Error.isEmpty() && stream.size() == 0;
        }
        QString ThreadName() const override { return QStringLiteral("cFetchJob"); }

    private:
        QString FUrl;
        cGate& FGate;
        std::atomic<bool>& FWaits;
        std::atomic<bool>& FFetched;
    };
    {
        cThreadPool pool(2, dispatcher);
        cGate gate;
        pool.AddJob(
            std::make_unique<cFetchJob>(server.Url("/feed.xml"), gate, fetchWaits, fetched));
        pool.AddJob(std::make_unique<cProbeJob>(journal, 1, &gate));
        ASSERT_TRUE(Eventually([&] { return journal.StartedSoFar().size() == 1 && fetchWaits; }));
        pool.AddJob(std::make_unique<cProbeJob>(journal, 2));
        const uint64_t abortsBefore = cHTTP::AbortCount();
        auto opener = std::async(std::launch::async, [&] {
            while (cHTTP::AbortCount() == abortsBefore)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            gate.Open();
        });
        pool.Shutdown();
        EXPECT_TRUE(fetched) << "the fetching job ran to its end, its fetch failed";
        EXPECT_TRUE(server.Requests().empty());
        EXPECT_EQ(journal.Destroyed, 2) << "the held job ended, the queued one was dropped";
        EXPECT_EQ(journal.StartedSoFar(), std::vector<int>{1});
    }
}
