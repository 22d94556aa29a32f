// What the heaps of this process hold, as HeapWalk sees them: the busy blocks
// and their bytes. A growth that the committed pages hide for a while (a heap
// commits in large steps) shows here block by block. Used by the benchmarks'
// growth probe and the stand-in's "holdings" answer.
#pragma once

#include <windows.h>

namespace heapusage {

struct HeapUsage {
    unsigned long long blocks = 0;
    unsigned long long bytes = 0;
};

constexpr DWORD MAX_HEAPS = 64;

inline HeapUsage CountHeapUsage()
{
    HANDLE heaps[MAX_HEAPS] = {};
    const DWORD found = GetProcessHeaps(MAX_HEAPS, heaps);
    HeapUsage usage;
    for (DWORD i = 0; i < found && i < MAX_HEAPS; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++usage.blocks;
                usage.bytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
    return usage;
}

}  // namespace heapusage
