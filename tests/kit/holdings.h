// What a process holds, counted from inside it: the figures the benchmarks
// and the soak judge (the instrumented build and the stand-in report them).
#pragma once

#include <windows.h>

#include <string>

namespace holdings {

struct Holdings {
    // Committed private memory outside the thread stacks. A stack is an
    // allocation that holds a guard page: each live thread's (the region its
    // TEB names) and, under Wine, the one of the thread that ended last,
    // which Wine frees only when the next thread ends.
    unsigned long long privateBytes = 0;
    unsigned long long stackBytes = 0;   // committed in those stacks
    long stacks = 0;
    long threads = 0;
    unsigned long long heapBlocks = 0;   // busy blocks of every heap (HeapWalk)
    unsigned long long heapBytes = 0;
    long handles = 0;                    // kernel handles, as the system lists them
    long gdiObjects = 0;
    long userObjects = 0;
};

Holdings Count();

// "private=... stack=... stacks=... threads=... heap_blocks=... heap=...
// handles=... gdi=... user=...": one line's worth, name=value.
std::string Describe(const Holdings& held);

// The kernel handles process `processId` holds: the system's handle list
// (NtQuerySystemInformation, SystemHandleInformation), which Wine keeps
// for every process, where GetProcessHandleCount answers 0. -1 when the
// list cannot be read.
long CountHandles(DWORD processId);

}  // namespace holdings
