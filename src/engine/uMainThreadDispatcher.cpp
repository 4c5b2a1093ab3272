#include "engine/uMainThreadDispatcher.h"

#include "engine/uEngineLog.h"

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
        // The call's error ends here: the worker waiting for it must go on,
        // whatever the GUI thread's event loop would do with the error.
        try {
            call();
        } catch (const std::exception& error) {
            qCWarning(EngineLog) << "a notice on the GUI thread failed:" << error.what();
        } catch (...) {
            qCWarning(EngineLog) << "a notice on the GUI thread failed";
        }
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
