#pragma once

#include <atomic>
#include <cstdint>

// A small re-entrant spin lock for short holds (the record pool, the worker
// pool's queues, the icon cache). A thread that holds it may enter again and
// must leave as often as it entered. Waiters yield for a while, then sleep
// 1 ms per try, rather than block in the kernel.
class cInterLock {
public:
    void Enter();
    void Leave();

private:
    std::atomic<uint64_t> FOwner{0};
    int32_t FDepth = 0;
};

// Holds a cInterLock for the lifetime of the guard.
class cInterLockGuard {
public:
    explicit cInterLockGuard(cInterLock& lock) : FLock(lock) { FLock.Enter(); }
    ~cInterLockGuard() { FLock.Leave(); }
    cInterLockGuard(const cInterLockGuard&) = delete;
    cInterLockGuard& operator=(const cInterLockGuard&) = delete;

private:
    cInterLock& FLock;
};
