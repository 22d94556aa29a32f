// What a process holds, counted from inside it: the figures the benchmarks
// and the soak judge (the instrumented build and the stand-in report them).
#pragma once

#include <windows.h>

#include <string>

namespace holdings {

struct Holdings {
    // Committed private memory outside the threads' own regions, and in them.
    // A thread's regions, found exactly: its stack (the allocation that holds
    // a guard page), the allocation right after it (under Wine the thread's
    // kernel-side stack), and the allocation that holds the TEBs. Wine frees
    // those of the thread that ended last only when the next thread ends.
    unsigned long long privateBytes = 0;
    unsigned long long threadBytes = 0;
    long stacks = 0;                     // threads whose regions are held
    long threads = 0;
    unsigned long long heapBlocks = 0;   // busy blocks of every heap (HeapWalk)
    unsigned long long heapBytes = 0;
    long handles = 0;                    // kernel handles, as the system lists them
    long gdiObjects = 0;
    long userObjects = 0;
};

Holdings Count();

// "private=... thread_bytes=... stacks=... threads=... heap_blocks=... heap=...
// handles=... gdi=... user=...": one line's worth, name=value.
std::string Describe(const Holdings& held);

// The kernel handles process `processId` holds: the system's handle list
// (NtQuerySystemInformation, SystemHandleInformation), which Wine keeps
// for every process, where GetProcessHandleCount answers 0. -1 when the
// list cannot be read.
long CountHandles(DWORD processId);

}  // namespace holdings
