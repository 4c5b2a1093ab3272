#include "engine/uThreadPool.h"

#include "engine/uEngineLog.h"
#include "engine/uJobDatabase.h"
#include "engine/uMainThreadDispatcher.h"
#include "engine/uUpdateJob.h"
#include "ingest/uHTTP.h"
#include "storage/uConfig.h"
#include "storage/uErrors.h"

#include <algorithm>
#include <pthread.h>
#include <system_error>

namespace {

const QString InactiveName = QStringLiteral(" Inactive");

// The kernel keeps 15 bytes of a thread's name.
void NameThisThread(const QString& name) {
    pthread_setname_np(pthread_self(), name.toUtf8().left(15).constData());
}

} // namespace

// cThWorker

cThWorker::cThWorker(cThreadPool& pool) : FPool(pool), FThread([this] { Body(); }) {}

cThWorker::~cThWorker() {
    Join();
}

void cThWorker::Wake() {
    std::lock_guard<std::mutex> hold(FWakeLock);
    FWoken = true;
    FWakeSignal.notify_one();
}

void cThWorker::RequestStop() {
    std::lock_guard<std::mutex> hold(FWakeLock);
    FStopRequested = true;
    FWakeSignal.notify_one();
}

void cThWorker::Join() {
    if (FThread.joinable())
        FThread.join();
}

bool cThWorker::Park() {
    std::unique_lock<std::mutex> hold(FWakeLock);
    FWakeSignal.wait(hold, [this] { return FWoken || FStopRequested; });
    FWoken = false;
    return !FStopRequested;
}

void cThWorker::Body() {
    NameThisThread(InactiveName);
    KeepJobDatabases();
    while (!FStopRequested) {
        std::shared_ptr<cBaseJob> job = FPool.NextJobOrRelease(*this);
        if (!job) {
            // An idle worker holds no connection.
            ReleaseJobDatabase();
            if (!Park())
                return;
            continue;
        }
        // Made before the stop flag is read: a shutdown that this check
        // misses aborts after the scope began, so it still ends the job's
        // fetches.
        const cHTTP::cTransferScope transfers;
        if (FStopRequested)
            break;
        NameThisThread(job->ThreadName());
        try {
            job->Run();
            if (job->OnDone)
                FPool.RunOnDone(job->OnDone);
        } catch (const EVelmoraError& error) {
            // A job reports and rolls back inside Run; here its error ends.
            qCDebug(EngineLog) << job->ThreadName() << "failed:" << error.Message();
        } catch (const std::exception& error) {
            qCDebug(EngineLog) << job->ThreadName() << "failed:" << error.what();
        } catch (...) {
            qCDebug(EngineLog) << job->ThreadName() << "failed with an unknown error";
        }
        FPool.JobDone(job);
        NameThisThread(InactiveName);
    }
    ReleaseJobDatabase();
}

// cThreadPool

cThreadPool::cThreadPool(int workerCount, cMainThreadDispatcher& dispatcher)
    : FWorkerCount(std::max(1, workerCount)), FDispatcher(dispatcher) {}

cThreadPool::~cThreadPool() {
    Shutdown();
}

void cThreadPool::AddJob(std::unique_ptr<cBaseJob> job) {
    cInterLockGuard hold(FLock);
    if (FShuttingDown)
        return;
    (job->Urgent == 1 ? FUrgent : FNormal).push_back(std::move(job));
    if (CanAddWorker())
        StartWorker();
}

bool cThreadPool::CanAddWorker() const {
    const auto active = static_cast<int>(FActive.size());
    if (!FUrgent.empty() && active < 2 * FWorkerCount)
        return true;
    return active < FWorkerCount;
}

void cThreadPool::StartWorker() {
    if (FIdle.empty()) {
        std::unique_ptr<cThWorker> worker;
        try {
            worker = std::make_unique<cThWorker>(*this);
        } catch (const std::system_error& error) {
            // No thread to be had (a process limit, no memory for its
            // stack): the job waits for a worker that ends its job, or for
            // the next submission to try again. Submitting never kills the
            // program.
            qCWarning(EngineLog) << "no worker thread started:" << error.what();
            return;
        }
        FAllWorkers.push_back(std::move(worker));
        FActive.push_back(FAllWorkers.back().get());
        return;
    }
    cThWorker* worker = FIdle.back();
    FIdle.pop_back();
    FActive.push_back(worker);
    worker->Wake();
}

std::shared_ptr<cBaseJob> cThreadPool::NextJob() {
    for (const auto& job : FUrgent)
        if (!job->Taken) {
            job->Taken = true;
            return job;
        }
    if (static_cast<int>(FActive.size()) > FWorkerCount)
        return nullptr;
    for (const auto& job : FNormal)
        if (!job->Taken) {
            job->Taken = true;
            return job;
        }
    return nullptr;
}

void cThreadPool::ReleaseWorker(cThWorker& worker) {
    const auto found = std::find(FActive.begin(), FActive.end(), &worker);
    if (found == FActive.end())
        throw EVelmoraError(QStringLiteral("bad thread worker release"));
    FActive.erase(found);
    FIdle.push_back(&worker);
}

std::shared_ptr<cBaseJob> cThreadPool::NextJobOrRelease(cThWorker& worker) {
    // One hold of the lock for both steps: a worker never parks while a job
    // it could run waits without a worker.
    cInterLockGuard hold(FLock);
    if (FShuttingDown)
        return nullptr;
    std::shared_ptr<cBaseJob> job = NextJob();
    if (!job)
        ReleaseWorker(worker);
    return job;
}

void cThreadPool::JobDone(const std::shared_ptr<cBaseJob>& job) {
    bool idle = false;
    {
        cInterLockGuard hold(FLock);
        cQueue& queue = job->Urgent == 1 ? FUrgent : FNormal;
        queue.erase(std::remove(queue.begin(), queue.end(), job), queue.end());
        FFinishedUpdates += dynamic_cast<const cUpdateJob*>(job.get()) != nullptr;
        idle = FNormal.empty() && FUrgent.empty();
    }
    if (idle)
        WakeIdleWaiters();
}

void cThreadPool::WakeIdleWaiters() {
    // Taking the lock orders the wake-up after a waiter's last look at the
    // queues: the waiter is either still before that look or already waiting.
    { std::lock_guard<std::mutex> hold(FIdleLock); }
    FIdleSignal.notify_all();
}

bool cThreadPool::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(FIdleLock);
    return FIdleSignal.wait_for(hold, timeout, [this] { return QueuedJobCount() == 0; });
}

void cThreadPool::RunOnDone(const std::function<void()>& call) {
    FDispatcher.RunAndWait(call);
}

template <class TTest> bool cThreadPool::AnyQueued(TTest test) const {
    for (const cQueue* queue : {&FUrgent, &FNormal})
        for (auto job = queue->rbegin(); job != queue->rend(); ++job)
            if (test(**job))
                return true;
    return false;
}

bool cThreadPool::IsJobQueued(const cJobKind& kind) {
    cInterLockGuard hold(FLock);
    return AnyQueued([&](const cBaseJob& job) { return kind.IsKindOf(job); });
}

bool cThreadPool::IsChannelUpdateQueued(int64_t channelId) {
    cInterLockGuard hold(FLock);
    return AnyQueued([&](const cBaseJob& job) {
        const auto* update = dynamic_cast<const cUpdateJob*>(&job);
        return update && update->ChannelId == channelId;
    });
}

int cThreadPool::QueuedJobCount() {
    cInterLockGuard hold(FLock);
    return static_cast<int>(FNormal.size() + FUrgent.size());
}

int cThreadPool::QueuedUpdateCount() {
    cInterLockGuard hold(FLock);
    int count = 0;
    for (const cQueue* queue : {&FUrgent, &FNormal})
        for (const auto& job : *queue)
            count += dynamic_cast<const cUpdateJob*>(job.get()) != nullptr;
    return count;
}

uint64_t cThreadPool::FinishedUpdateCount() {
    cInterLockGuard hold(FLock);
    return FFinishedUpdates;
}

int cThreadPool::ActiveWorkerCount() {
    cInterLockGuard hold(FLock);
    return static_cast<int>(FActive.size());
}

int cThreadPool::WorkerThreadCount() {
    cInterLockGuard hold(FLock);
    return static_cast<int>(FAllWorkers.size());
}

void cThreadPool::Shutdown() {
    {
        cInterLockGuard hold(FLock);
        if (FShuttingDown)
            return;
        FShuttingDown = true;
        for (const auto& worker : FAllWorkers)
            worker->RequestStop();
    }
    cHTTP::AbortTransfers();
    FDispatcher.BeginShutdown();
    // Workers take the lock for their last JobDone, so they are joined
    // without holding it.
    for (const auto& worker : FAllWorkers)
        worker->Join();
    {
        cInterLockGuard hold(FLock);
        FActive.clear();
        FIdle.clear();
        FNormal.clear();
        FUrgent.clear();
        FAllWorkers.clear();
    }
    WakeIdleWaiters();
}

namespace {

struct cPoolDispatcher {
    std::mutex Lock;
    cMainThreadDispatcher* Installed = nullptr;
    bool PoolBuilt = false;
};

cPoolDispatcher& PoolDispatcher() {
    static cPoolDispatcher state;
    return state;
}

cMainThreadDispatcher& DispatcherForThePool() {
    static cDirectDispatcher direct;
    cPoolDispatcher& state = PoolDispatcher();
    std::lock_guard<std::mutex> hold(state.Lock);
    state.PoolBuilt = true;
    return state.Installed ? *state.Installed : direct;
}

} // namespace

void InstallMainThreadDispatcher(cMainThreadDispatcher& dispatcher) {
    cPoolDispatcher& state = PoolDispatcher();
    std::lock_guard<std::mutex> hold(state.Lock);
    if (state.PoolBuilt)
        throw EVelmoraError(
            QStringLiteral("the main-thread dispatcher is installed after the worker pool exists"));
    state.Installed = &dispatcher;
}

cThreadPool& GetThreadPool() {
    static cThreadPool pool(GetConfig().WorkerCount, DispatcherForThePool());
    return pool;
}
