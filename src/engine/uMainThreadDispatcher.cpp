#include "engine/uMainThreadDispatcher.h"

#include <QScopeGuard>

cQueuedDispatcher::cQueuedDispatcher() : FState(std::make_shared<cState>()) {}

void cQueuedDispatcher::RunAndWait(const std::function<void()>& call) {
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard<std::mutex> hold(FState->Lock);
        if (FState->ShuttingDown)
            return;
    }
    Post([state = FState, call, done] {
        {
            std::lock_guard<std::mutex> hold(state->Lock);
            if (state->ShuttingDown)
                return;
        }
        // The worker goes on even when the call raises: the GUI thread's
        // event loop swallows the error, and the worker would wait forever.
        const auto release = qScopeGuard([&state, &done] {
            std::lock_guard<std::mutex> hold(state->Lock);
            *done = true;
            state->Signal.notify_all();
        });
        call();
    });
    std::unique_lock<std::mutex> hold(FState->Lock);
    FState->Signal.wait(hold, [&] { return *done || FState->ShuttingDown; });
}

void cQueuedDispatcher::BeginShutdown() {
    std::lock_guard<std::mutex> hold(FState->Lock);
    FState->ShuttingDown = true;
    FState->Signal.notify_all();
}
