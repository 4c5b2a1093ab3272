#include "engine/uProcessMemory.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
    constexpr int KeptBytes = 32 << 20;
    mallopt(M_TRIM_THRESHOLD, KeptBytes);
}
