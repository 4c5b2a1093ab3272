#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>

// One unit of background work, run once by a worker of the pool. Run opens
// its own connection (or takes the worker's, see cJobDatabase), may raise
// (the worker discards the error) and never touches windows; OnDone, when
// set, runs on the main thread after a successful Run.
class cBaseJob {
public:
    cBaseJob() = default;
    virtual ~cBaseJob() = default;
    cBaseJob(const cBaseJob&) = delete;
    cBaseJob& operator=(const cBaseJob&) = delete;

    virtual void Run() = 0;
    // The name the worker's thread carries while it runs the job.
    virtual QString ThreadName() const = 0;

    // Set by the pool, under its lock, when a worker takes the job.
    bool Taken = false;
    // 1: the job goes to the pool's urgent queue.
    uint8_t Urgent = 0;
    std::function<void()> OnDone;
};

// A job class known by itself: how to make a job of it from nothing (none
// for classes that need data), and whether a job is of it (or of a class
// derived from it).
class cJobKind {
public:
    using Factory = std::unique_ptr<cBaseJob> (*)();
    using Test = bool (*)(const cBaseJob&);

    cJobKind(Factory factory, Test test) : Create(factory), IsKindOf(test) {}

    const Factory Create;
    const Test IsKindOf;
};

template <class TJob> const cJobKind& JobKindOf() {
    cJobKind::Factory factory = nullptr;
    if constexpr (std::is_default_constructible_v<TJob>)
        factory = []() -> std::unique_ptr<cBaseJob> { return std::make_unique<TJob>(); };
    static const cJobKind kind(
        factory, [](const cBaseJob& job) { return dynamic_cast<const TJob*>(&job) != nullptr; });
    return kind;
}
