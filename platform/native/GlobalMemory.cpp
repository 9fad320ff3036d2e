// Global memory: fixed blocks only, which is all the show asks for. A
// fixed block's handle is its address, as on Windows.
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "StandIn.h"

namespace {
std::atomic<long> liveBlocks{0};
std::atomic<long> failSkip{0};
std::atomic<long> failCount{0};

bool ShouldFail() {
    if (failCount.load() <= 0)
        return false;
    if (failSkip.load() > 0) {
        --failSkip;
        return false;
    }
    --failCount;
    return true;
}
}  // namespace

namespace standin {
long LiveGlobalBlocks() {
    return liveBlocks.load();
}
void FailGlobalAlloc(long skip, long count) {
    failSkip = skip;
    failCount = count;
}
}  // namespace standin

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~UINT(GMEM_ZEROINIT)) != 0 || ShouldFail()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Windows hands out a valid block for zero bytes too.
    void* block = (flags & GMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1)
                                          : std::malloc(bytes ? bytes : 1);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ++liveBlocks;
    return block;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (memory != nullptr) {
        std::free(memory);
        --liveBlocks;
    }
    return nullptr;
}
