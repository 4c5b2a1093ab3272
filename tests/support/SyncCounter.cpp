#include "SyncCounter.h"

#include <sqlite3.h>

namespace {

std::atomic<int> Syncs{0};

// A file of the counting file system: the real one follows it in memory.
struct cCountedFile {
    sqlite3_file Base;
    sqlite3_file* Real;
};

sqlite3_file* RealOf(sqlite3_file* file) {
    return reinterpret_cast<cCountedFile*>(file)->Real;
}

const sqlite3_io_methods CountedMethods = {
    3,
    [](sqlite3_file* f) { return RealOf(f)->pMethods->xClose(RealOf(f)); },
    [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
        return RealOf(f)->pMethods->xRead(RealOf(f), b, n, o);
    },
    [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
        return RealOf(f)->pMethods->xWrite(RealOf(f), b, n, o);
    },
    [](sqlite3_file* f, sqlite3_int64 size) {
        return RealOf(f)->pMethods->xTruncate(RealOf(f), size);
    },
    [](sqlite3_file* f, int flags) {
        ++Syncs;
        return RealOf(f)->pMethods->xSync(RealOf(f), flags);
    },
    [](sqlite3_file* f, sqlite3_int64* size) {
        return RealOf(f)->pMethods->xFileSize(RealOf(f), size);
    },
    [](sqlite3_file* f, int lock) { return RealOf(f)->pMethods->xLock(RealOf(f), lock); },
    [](sqlite3_file* f, int lock) { return RealOf(f)->pMethods->xUnlock(RealOf(f), lock); },
    [](sqlite3_file* f, int* out) {
        return RealOf(f)->pMethods->xCheckReservedLock(RealOf(f), out);
    },
    [](sqlite3_file* f, int op, void* arg) {
        return RealOf(f)->pMethods->xFileControl(RealOf(f), op, arg);
    },
    [](sqlite3_file* f) { return RealOf(f)->pMethods->xSectorSize(RealOf(f)); },
    [](sqlite3_file* f) { return RealOf(f)->pMethods->xDeviceCharacteristics(RealOf(f)); },
    [](sqlite3_file* f, int region, int size, int extend, void volatile** out) {
        return RealOf(f)->pMethods->xShmMap(RealOf(f), region, size, extend, out);
    },
    [](sqlite3_file* f, int offset, int n, int flags) {
        return RealOf(f)->pMethods->xShmLock(RealOf(f), offset, n, flags);
    },
    [](sqlite3_file* f) { RealOf(f)->pMethods->xShmBarrier(RealOf(f)); },
    [](sqlite3_file* f, int deleteFlag) {
        return RealOf(f)->pMethods->xShmUnmap(RealOf(f), deleteFlag);
    },
    [](sqlite3_file* f, sqlite3_int64 offset, int n, void** out) {
        return RealOf(f)->pMethods->xFetch(RealOf(f), offset, n, out);
    },
    [](sqlite3_file* f, sqlite3_int64 offset, void* page) {
        return RealOf(f)->pMethods->xUnfetch(RealOf(f), offset, page);
    },
};

sqlite3_vfs* RealVfs(sqlite3_vfs* counting) {
    return static_cast<sqlite3_vfs*>(counting->pAppData);
}

int OpenCounted(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* counted = reinterpret_cast<cCountedFile*>(file);
    counted->Real = reinterpret_cast<sqlite3_file*>(counted + 1);
    const int result = RealVfs(vfs)->xOpen(RealVfs(vfs), name, counted->Real, flags, outFlags);
    // SQLite closes a file whose open failed only when it has methods.
    counted->Base.pMethods = counted->Real->pMethods ? &CountedMethods : nullptr;
    return result;
}

sqlite3_vfs& CountingVfs(sqlite3_vfs* real) {
    static sqlite3_vfs counting = [real] {
        sqlite3_vfs vfs = *real;
        vfs.szOsFile = static_cast<int>(sizeof(cCountedFile)) + real->szOsFile;
        vfs.zName = "velmora-sync-counter";
        vfs.pAppData = real;
        vfs.pNext = nullptr;
        vfs.xOpen = OpenCounted;
        return vfs;
    }();
    return counting;
}

} // namespace

cSyncCounter::cSyncCounter() : FPrevious(sqlite3_vfs_find(nullptr)) {
    sqlite3_vfs_register(&CountingVfs(FPrevious), 1);
    Syncs = 0;
}

cSyncCounter::~cSyncCounter() {
    sqlite3_vfs_register(FPrevious, 1);
}

int cSyncCounter::Take() {
    return Syncs.exchange(0);
}
