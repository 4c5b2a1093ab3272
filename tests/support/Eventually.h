#pragma once

#include <chrono>
#include <thread>

// Polls until the condition holds, for at most ten seconds.
template <class TCondition> bool Eventually(TCondition condition) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}
