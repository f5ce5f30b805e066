#include "ProcessObjects.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include "CheckedHeap.h"

namespace {

// Wine keeps a GDI handle table of 0x10000 entries of 24 bytes per process and publishes it in
// the process environment block, as Windows does with its own; an entry whose type byte is not
// zero is a live object.
constexpr int HandleTableEntries = 0x10000;
constexpr int HandleTableEntrySize = 24;
constexpr int HandleTableTypeOffset = 14;
constexpr std::size_t HandleTableInPeb = sizeof(void*) == 8 ? 0xF8 : 0x94;

long CountHandleTableEntries(long* byType) {
    PROCESS_BASIC_INFORMATION information = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &information,
                                  sizeof information, nullptr) != 0 ||
        information.PebBaseAddress == nullptr) {
        return -1;
    }
    const auto* peb = reinterpret_cast<const unsigned char*>(information.PebBaseAddress);
    const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + HandleTableInPeb);
    if (table == nullptr) {
        return -1;
    }
    long live = 0;
    for (int i = 0; i < HandleTableEntries; ++i) {
        const unsigned char type = table[i * HandleTableEntrySize + HandleTableTypeOffset];
        if (type != 0) {
            ++live;
            ++byType[type];
        }
    }
    return live;
}

long GdiObjectCount(long* byType) {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return counted != 0 ? static_cast<long>(counted) : CountHandleTableEntries(byType);
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == GetCurrentProcessId()) {
        ++*reinterpret_cast<long*>(count);
        EnumChildWindows(window, CountChild, count);
    }
    return TRUE;
}

long WindowCount() {
    long count = 0;
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Windows reports the same commit charge as PrivateUsage and as PagefileUsage; Wine fills only
// the second.
std::uint64_t PrivateByteCount() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        return 0;
    }
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

}  // namespace

ProcessObjects ProcessObjects::Now() {
    ProcessObjects now;
    now.gdiObjects = GdiObjectCount(now.gdiObjectsByType);
    now.windows = WindowCount();
    now.privateBytes = PrivateByteCount();
    for (int i = 0; i < ObjectTracker::KindCount; ++i) {
        now.tracked[i] = ObjectTracker::Unreleased(static_cast<ObjectTracker::Kind>(i));
    }
    const CheckedHeap::Statistics heap = CheckedHeap::CurrentStatistics();
    now.heapBlocks = heap.liveBlocks;
    now.heapBytes = heap.liveBytes;
    now.quarantinedBlocks = heap.quarantinedBlocks;
    return now;
}
