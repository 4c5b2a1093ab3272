#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// The engine's one way back to the GUI thread: run a call there and wait
// until it has run. Once shutdown has begun, waits end at once and calls
// are dropped: the GUI thread is then joining the workers and would never
// run them.
class cMainThreadDispatcher {
public:
    virtual ~cMainThreadDispatcher() = default;
    virtual void RunAndWait(const std::function<void()>& call) = 0;
    virtual void BeginShutdown() {}
};

// Without a window (tests, the headless engine) the call runs in place.
class cDirectDispatcher : public cMainThreadDispatcher {
public:
    void RunAndWait(const std::function<void()>& call) override { call(); }
};

// Hands each call to the GUI thread's queue (Post) and waits until the GUI
// thread has run it or shutdown has begun.
class cQueuedDispatcher : public cMainThreadDispatcher {
public:
    cQueuedDispatcher();
    void RunAndWait(const std::function<void()>& call) override;
    void BeginShutdown() override;

protected:
    // Queues task to run later on the GUI thread.
    virtual void Post(std::function<void()> task) = 0;

private:
    struct cState {
        std::mutex Lock;
        std::condition_variable Signal;
        bool ShuttingDown = false;
    };
    // Shared with the queued tasks, which may run after the dispatcher is
    // gone.
    std::shared_ptr<cState> FState;
};
