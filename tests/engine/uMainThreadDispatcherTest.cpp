#include "engine/uMainThreadDispatcher.h"

#include "engine/uThreadPool.h"
#include "storage/uErrors.h"

#include <atomic>
#include <deque>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

// A thread standing in for the GUI thread: it runs the tasks posted to it,
// in order, until it is stopped.
class cGuiStandIn : public cQueuedDispatcher {
public:
    cGuiStandIn() : FThread([this] { Loop(); }) {}
    ~cGuiStandIn() override {
        RunThere([this] { FStopped = true; });
        FThread.join();
    }

    // Queues a task of the test's own, not counted as a post.
    void RunThere(std::function<void()> task) {
        std::lock_guard<std::mutex> hold(FLock);
        FTasks.push_back(std::move(task));
        FSignal.notify_all();
    }
    std::thread::id ThreadId() const { return FThread.get_id(); }
    int PostCount() {
        std::lock_guard<std::mutex> hold(FLock);
        return FPosts;
    }

protected:
    void Post(std::function<void()> task) override {
        RunThere(std::move(task));
        std::lock_guard<std::mutex> hold(FLock);
        ++FPosts;
    }

private:
    void Loop() {
        while (!FStopped) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> hold(FLock);
                FSignal.wait(hold, [this] { return !FTasks.empty(); });
                task = std::move(FTasks.front());
                FTasks.pop_front();
            }
            task();
        }
    }

    std::mutex FLock;
    std::condition_variable FSignal;
    std::deque<std::function<void()>> FTasks;
    int FPosts = 0;
    bool FStopped = false;
    std::thread FThread;
};

class cNoticeJob : public cBaseJob {
public:
    explicit cNoticeJob(std::function<void()> onDone) { OnDone = std::move(onDone); }
    void Run() override {}
    QString ThreadName() const override { return QStringLiteral("cNoticeJob"); }
};

} // namespace

TEST(MainThreadDispatcher, OnDoneRunsOnTheGuiThreadAndTheWorkerWaitsForIt) {
    cGuiStandIn gui;
    cThreadPool pool(1, gui);
    std::promise<std::thread::id> ranOn;
    pool.AddJob(std::make_unique<cNoticeJob>([&] { ranOn.set_value(std::this_thread::get_id()); }));
    auto result = ranOn.get_future();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(result.get(), gui.ThreadId());
    pool.Shutdown();
}

TEST(MainThreadDispatcher, ShutdownOnTheGuiThreadEndsAWorkersWaitForIt) {
    cGuiStandIn gui;
    cThreadPool pool(1, gui);
    std::atomic<int> noticesRun{0};
    // The GUI thread is busy shutting the pool down while the worker waits
    // for it to run the notice: neither may wait for the other.
    std::promise<void> shutDown;
    gui.RunThere([&] {
        while (gui.PostCount() < 1)
            std::this_thread::yield();
        pool.Shutdown();
        shutDown.set_value();
    });
    pool.AddJob(std::make_unique<cNoticeJob>([&] { ++noticesRun; }));
    ASSERT_EQ(shutDown.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    std::promise<void> drained;
    gui.RunThere([&] { drained.set_value(); });
    drained.get_future().wait();
    EXPECT_EQ(noticesRun, 0);
}

TEST(MainThreadDispatcher, ANoticeThatFailsReleasesItsWorkerForTheNextJob) {
    cGuiStandIn gui;
    cThreadPool pool(1, gui);
    pool.AddJob(std::make_unique<cNoticeJob>(
        [] { throw EVelmoraError(QStringLiteral("the repaint failed")); }));
    std::promise<void> nextRan;
    pool.AddJob(std::make_unique<cNoticeJob>([&] { nextRan.set_value(); }));
    EXPECT_EQ(nextRan.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    pool.Shutdown();
}

TEST(MainThreadDispatcher, CallsAfterShutdownAreDroppedWithoutWaiting) {
    cGuiStandIn gui;
    gui.BeginShutdown();
    bool ran = false;
    gui.RunAndWait([&] { ran = true; });
    EXPECT_FALSE(ran);
}

TEST(MainThreadDispatcherInstall, InstallingAfterThePoolExistsIsRefused) {
    GetThreadPool();
    cDirectDispatcher late;
    EXPECT_THROW(InstallMainThreadDispatcher(late), EVelmoraError);
}

TEST(MainThreadDispatcherInstall, ThePoolUsesTheDispatcherInstalledBeforeIt) {
    // A process of its own: the pool is built once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static cGuiStandIn gui;
            InstallMainThreadDispatcher(gui);
            std::promise<std::thread::id> ranOn;
            GetThreadPool().AddJob(
                std::make_unique<cNoticeJob>([&] { ranOn.set_value(std::this_thread::get_id()); }));
            auto result = ranOn.get_future();
            const bool onGui =
                result.wait_for(std::chrono::seconds(20)) == std::future_status::ready &&
                result.get() == gui.ThreadId();
            GetThreadPool().Shutdown();
            std::_Exit(onGui ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
