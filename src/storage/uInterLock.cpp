#include "uInterLock.h"

#include <chrono>
#include <thread>

#include <unistd.h>

namespace {

// A non-zero identifier of the calling thread.
uint64_t CurrentThreadId() {
    thread_local const uint64_t id = static_cast<uint64_t>(gettid());
    return id;
}

} // namespace

void cInterLock::Enter() {
    const uint64_t self = CurrentThreadId();
    uint64_t expected = 0;
    if (!FOwner.compare_exchange_strong(expected, self) && expected != self) {
        for (;;) {
            std::this_thread::yield();
            expected = 0;
            if (FOwner.compare_exchange_strong(expected, self))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ++FDepth;
}

void cInterLock::Leave() {
    if (--FDepth <= 0) {
        FDepth = 0;
        FOwner.store(0);
    }
}
