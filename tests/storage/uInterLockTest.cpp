#include "storage/uInterLock.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>

TEST(InterLock, TheHolderMayEnterAgainAndOthersWaitForItsLastLeave) {
    cInterLock lock;
    lock.Enter();
    lock.Enter();
    std::atomic<bool> otherHolds{false};
    auto other = std::async(std::launch::async, [&] {
        lock.Enter();
        otherHolds = true;
        lock.Leave();
    });
    lock.Leave();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(otherHolds) << "one Leave of two must not free the lock";
    lock.Leave();
    other.get();
    EXPECT_TRUE(otherHolds);
}

TEST(InterLock, ExcludesOtherThreads) {
    cInterLock lock;
    int counter = 0;
    auto work = [&] {
        for (int index = 0; index < 2000; ++index) {
            cInterLockGuard hold(lock);
            ++counter;
        }
    };
    std::thread first(work), second(work);
    first.join();
    second.join();
    EXPECT_EQ(counter, 4000);
}
