#pragma once

#include <chrono>
#include <thread>

// Polls until the condition holds, for at most the time given.
template <class TCondition>
bool Eventually(TCondition condition, std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}
