#include "storage/uInterLock.h"

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
        // Holds are short: yield a while before sleeping 1 ms per try, so
        // that two threads taking turns do not wait a millisecond each time.
        constexpr int YieldsBeforeSleeping = 100;
        for (int attempt = 0;; ++attempt) {
            if (attempt < YieldsBeforeSleeping)
                std::this_thread::yield();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            expected = 0;
            if (FOwner.compare_exchange_strong(expected, self))
                break;
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
