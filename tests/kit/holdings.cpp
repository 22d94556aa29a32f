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
constexpr ULONG THREAD_BASIC_INFORMATION = 0;
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

// The system's function `name` of ntdll, bound by name.
template <typename Function>
Function Ntdll(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// This thread's TEB (NtQueryInformationThread, ThreadBasicInformation).
const void* OwnTeb()
{
    struct BasicInformation {
        LONG exitStatus;
        PVOID teb;
        PVOID ids[2];
        ULONG_PTR affinity;
        LONG priority;
        LONG basePriority;
    } basic{};
    using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = Ntdll<Query>("NtQueryInformationThread");
    if (query) query(GetCurrentThread(), THREAD_BASIC_INFORMATION, &basic, sizeof basic, nullptr);
    return basic.teb;
}

void CountMemory(Holdings& held)
{
    struct Allocation {
        ULONG_PTR base;
        ULONG_PTR end;
        unsigned long long committed;
        bool guarded;
    };
    std::vector<Allocation> allocations;
    MEMORY_BASIC_INFORMATION region{};
    for (ULONG_PTR address = 0; address < ADDRESS_SPACE_END &&
                                VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region);) {
        const ULONG_PTR base = reinterpret_cast<ULONG_PTR>(region.AllocationBase);
        const ULONG_PTR next = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
        if (region.State != MEM_FREE && region.Type == MEM_PRIVATE) {
            if (allocations.empty() || allocations.back().base != base) allocations.push_back({base, 0, 0, false});
            Allocation& allocation = allocations.back();
            allocation.end = next;
            if (region.State == MEM_COMMIT) allocation.committed += region.RegionSize;
            allocation.guarded |= region.State == MEM_COMMIT && (region.Protect & PAGE_GUARD) != 0;
        }
        if (next <= address) break;
        address = next;
    }
    region = MEMORY_BASIC_INFORMATION{};
    VirtualQuery(OwnTeb(), &region, sizeof region);
    const ULONG_PTR tebs = reinterpret_cast<ULONG_PTR>(region.AllocationBase);
    for (size_t i = 0; i < allocations.size(); ++i) {
        const Allocation& allocation = allocations[i];
        const bool afterStack = i > 0 && allocations[i - 1].guarded && allocations[i - 1].end == allocation.base;
        const bool ownedByThread = allocation.guarded || afterStack || allocation.base == tebs;
        (ownedByThread ? held.threadBytes : held.privateBytes) += allocation.committed;
        held.stacks += allocation.guarded;
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
    const auto query = Ntdll<Query>("NtQuerySystemInformation");
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
    return "private=" + std::to_string(held.privateBytes) + " thread_bytes=" + std::to_string(held.threadBytes) +
           " stacks=" + std::to_string(held.stacks) + " threads=" + std::to_string(held.threads) +
           " heap_blocks=" + std::to_string(held.heapBlocks) + " heap=" + std::to_string(held.heapBytes) +
           " handles=" + std::to_string(held.handles) + " gdi=" + std::to_string(held.gdiObjects) +
           " user=" + std::to_string(held.userObjects);
}

}  // namespace holdings
