#pragma once

#include "engine/uJob.h"
#include "storage/uInterLock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class cMainThreadDispatcher;
class cThreadPool;

// One worker thread of the pool. Between jobs it parks until the pool
// wakes it; a wake-up given before it parks is kept, never lost.
class cThWorker {
public:
    explicit cThWorker(cThreadPool& pool);
    ~cThWorker();

    void Wake();
    void RequestStop();
    void Join();

private:
    void Body();
    // Waits for a wake-up; false when asked to stop.
    bool Park();

    cThreadPool& FPool;
    std::mutex FWakeLock;
    std::condition_variable FWakeSignal;
    bool FWoken = false;
    std::atomic<bool> FStopRequested{false};
    std::thread FThread;
};

// Runs jobs on worker threads: urgent jobs first, each queue in submission
// order, up to N workers for normal jobs and up to 2N while urgent jobs
// wait. Idle workers park and are reused. Errors of jobs are discarded.
class cThreadPool {
public:
    cThreadPool(int workerCount, cMainThreadDispatcher& dispatcher);
    ~cThreadPool();
    cThreadPool(const cThreadPool&) = delete;
    cThreadPool& operator=(const cThreadPool&) = delete;

    // Queues the job and starts or wakes a worker for it when one may be
    // added. Never raises for want of a thread: the job then waits for the
    // next worker.
    void AddJob(std::unique_ptr<cBaseJob> job);
    // True while a job of the kind (or a derived one) is queued or running.
    bool IsJobQueued(const cJobKind& kind);
    bool IsChannelUpdateQueued(int64_t channelId);

    // Stops every worker once its current job ends, waits for them and
    // destroys the jobs still queued. Transfers in progress are aborted and
    // waits for the GUI thread end, so that this is quick and never waits
    // for a GUI thread that is itself shutting down. A running job is never
    // destroyed under its worker.
    void Shutdown();

    // What workers call, each under the pool lock.
    std::shared_ptr<cBaseJob> NextJobOrRelease(cThWorker& worker);
    void JobDone(const std::shared_ptr<cBaseJob>& job);
    void RunOnDone(const std::function<void()>& call);

    // Jobs queued or running.
    int QueuedJobCount();
    // Blocks until no job is queued or running, or the timeout passes, or the
    // pool shuts down; true when no job is left. Waiters are woken by the
    // last job's end, not by polling.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    // Channel updates queued or running.
    int QueuedUpdateCount();
    // Channel updates ended since the pool started.
    uint64_t FinishedUpdateCount();
    int ActiveWorkerCount();
    int WorkerThreadCount();

private:
    using cQueue = std::deque<std::shared_ptr<cBaseJob>>;

    bool CanAddWorker() const;
    void StartWorker();
    std::shared_ptr<cBaseJob> NextJob();
    void ReleaseWorker(cThWorker& worker);
    void WakeIdleWaiters();
    template <class TTest> bool AnyQueued(TTest test) const;

    const int FWorkerCount;
    cMainThreadDispatcher& FDispatcher;
    // May be taken while the icon cache lock is held (a lookup queues its
    // loader); the icon cache lock is never taken while this one is held.
    cInterLock FLock;
    std::vector<cThWorker*> FActive;
    std::vector<cThWorker*> FIdle;
    std::vector<std::unique_ptr<cThWorker>> FAllWorkers;
    cQueue FNormal;
    cQueue FUrgent;
    bool FShuttingDown = false;
    uint64_t FFinishedUpdates = 0;
    // Wakes WaitUntilIdle. Never taken while FLock is held; the waiter's
    // look at the queues takes FLock under it.
    std::mutex FIdleLock;
    std::condition_variable FIdleSignal;
};

// Makes OnDone calls reach the GUI thread through dispatcher. Only before
// the process's pool exists: raises afterwards, since the pool keeps the
// dispatcher it was built with.
void InstallMainThreadDispatcher(cMainThreadDispatcher& dispatcher);

// The process's pool, built on first use with the configured worker count
// and the installed dispatcher (without one, OnDone runs on the worker).
cThreadPool& GetThreadPool();
