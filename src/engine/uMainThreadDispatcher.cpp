#include "engine/uMainThreadDispatcher.h"

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
        call();
        std::lock_guard<std::mutex> hold(state->Lock);
        *done = true;
        state->Signal.notify_all();
    });
    std::unique_lock<std::mutex> hold(FState->Lock);
    FState->Signal.wait(hold, [&] { return *done || FState->ShuttingDown; });
}

void cQueuedDispatcher::BeginShutdown() {
    std::lock_guard<std::mutex> hold(FState->Lock);
    FState->ShuttingDown = true;
    FState->Signal.notify_all();
}
