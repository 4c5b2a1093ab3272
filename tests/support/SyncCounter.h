#pragma once

#include <atomic>

struct sqlite3_vfs;

// Counts the syncs SQLite asks of the disk, for files opened while it
// lives: it wraps the default file system as the new default and puts the
// old one back when it ends. Files opened meanwhile may outlive it.
class cSyncCounter {
public:
    cSyncCounter();
    ~cSyncCounter();
    cSyncCounter(const cSyncCounter&) = delete;
    cSyncCounter& operator=(const cSyncCounter&) = delete;

    // Syncs since the last call.
    int Take();

private:
    sqlite3_vfs* FPrevious;
};
