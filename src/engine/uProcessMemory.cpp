#include "engine/uProcessMemory.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
    constexpr int KeptBytes = 16 << 20;
    mallopt(M_TRIM_THRESHOLD, KeptBytes);
    // Setting the trim threshold fixes the threshold above which a block
    // gets a mapping of its own, which the allocator would otherwise raise
    // as large blocks come and go: a large feed's body and its text then
    // stay in the heap too.
    constexpr int OwnMappingBytes = 4 << 20;
    mallopt(M_MMAP_THRESHOLD, OwnMappingBytes);
}
