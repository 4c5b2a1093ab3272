#pragma once

#include <functional>

// The engine's one way back to the GUI thread: run a call there and wait
// until it has run. The window implements it with a blocking queued call;
// without a window (tests, the headless engine) the call runs in place.
class cMainThreadDispatcher {
public:
    virtual ~cMainThreadDispatcher() = default;
    virtual void RunAndWait(const std::function<void()>& call) = 0;
};

class cDirectDispatcher : public cMainThreadDispatcher {
public:
    void RunAndWait(const std::function<void()>& call) override { call(); }
};
