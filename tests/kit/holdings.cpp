// Counts of what this process holds.
#include "kit/holdings.h"

#include <tlhelp32.h>

#include <vector>

#include "kit/gui_objects.h"

namespace holdings {

namespace {

constexpr ULONG_PTR ADDRESS_SPACE_END = 0x7FFFFFFF0000ULL;   // the top of the user-mode space walked
constexpr DWORD MAX_HEAPS = 64;
constexpr ULONG SYSTEM_HANDLE_INFORMATION = 16;
constexpr LONG STATUS_INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004);
constexpr ULONG FIRST_LIST_BYTES = 1 << 20;

// One entry of the system's handle list (SYSTEM_HANDLE_TABLE_ENTRY_INFO).
struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

void CountMemory(Holdings& held)
{
    struct Allocation {
        const void* base;
        unsigned long long committed;
        bool guarded;
    };
    std::vector<Allocation> allocations;
    MEMORY_BASIC_INFORMATION region{};
    for (ULONG_PTR address = 0; address < ADDRESS_SPACE_END &&
                                VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            if (allocations.empty() || allocations.back().base != region.AllocationBase) {
                allocations.push_back({region.AllocationBase, 0, false});
            }
            allocations.back().committed += region.RegionSize;
            allocations.back().guarded |= (region.Protect & PAGE_GUARD) != 0;
        }
        const ULONG_PTR next = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    for (const Allocation& allocation : allocations) {
        (allocation.guarded ? held.stackBytes : held.privateBytes) += allocation.committed;
        if (allocation.guarded) ++held.stacks;
    }
}

void CountHeaps(Holdings& held)
{
    HANDLE heaps[MAX_HEAPS] = {};
    const DWORD found = GetProcessHeaps(MAX_HEAPS, heaps);
    for (DWORD i = 0; i < found && i < MAX_HEAPS; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) == 0) continue;
            ++held.heapBlocks;
            held.heapBytes += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
}

long CountThreads()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    long threads = 0;
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread)) {
        if (thread.th32OwnerProcessID == GetCurrentProcessId()) ++threads;
    }
    CloseHandle(snapshot);
    return threads;
}

}  // namespace

long CountHandles(DWORD processId)
{
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return -1;
    std::vector<ULONG_PTR> list(FIRST_LIST_BYTES / sizeof(ULONG_PTR));
    LONG status = STATUS_INFO_LENGTH_MISMATCH;
    while (status == STATUS_INFO_LENGTH_MISMATCH) {
        ULONG needed = 0;
        status = query(SYSTEM_HANDLE_INFORMATION, list.data(), static_cast<ULONG>(list.size() * sizeof list[0]),
                       &needed);
        if (status == STATUS_INFO_LENGTH_MISMATCH) list.resize(list.size() * 2);
    }
    if (status < 0) return -1;
    const ULONG entries = static_cast<ULONG>(list[0]);   // the count, then the entries
    const auto* entry = reinterpret_cast<const HandleEntry*>(&list[1]);
    long handles = 0;
    for (ULONG i = 0; i < entries; ++i) handles += entry[i].processId == static_cast<USHORT>(processId);
    return handles;
}

Holdings Count()
{
    Holdings held;
    CountMemory(held);   // first: the counts below allocate for a while
    CountHeaps(held);
    held.threads = CountThreads();
    held.handles = CountHandles(GetCurrentProcessId());
    held.gdiObjects = guiobjects::CountGdiObjects();
    held.userObjects = guiobjects::CountUserObjects();
    return held;
}

std::string Describe(const Holdings& held)
{
    return "private=" + std::to_string(held.privateBytes) + " stack=" + std::to_string(held.stackBytes) +
           " stacks=" + std::to_string(held.stacks) + " threads=" + std::to_string(held.threads) +
           " heap_blocks=" + std::to_string(held.heapBlocks) + " heap=" + std::to_string(held.heapBytes) +
           " handles=" + std::to_string(held.handles) + " gdi=" + std::to_string(held.gdiObjects) +
           " user=" + std::to_string(held.userObjects);
}

}  // namespace holdings
