#include "CheckedHeap.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CheckedOutput.h"
#include "CodeAddress.h"
#include "CoverageFlush.h"
#include "ExclusiveLock.h"
#include "HeapBlock.h"
#include "LiveBlockTable.h"

// The allocator keeps its blocks in reservations of their own (HeapBlock.h): it hands them out,
// checks them when they come back, keeps them inaccessible in a bounded quarantine for a while,
// and lists those still live at exit as leaks, with the code that asked for them.
namespace CheckedHeap {
namespace {

// Each reservation takes 64 KiB of address space whatever its size, so the quarantine is bounded
// by count: 1024 blocks use 64 MiB of a 32-bit process's 2 GiB, and commit 4 MiB of headers.
constexpr std::size_t QuarantineBlocks = sizeof(void*) == 4 ? 1024 : 4096;
// Above this many bytes of decommitted data in quarantine, old blocks are released early too.
constexpr std::uint64_t QuarantineDataLimit = 256ull * 1024 * 1024;
constexpr std::size_t NoSlot = LiveBlockTable::NoSlot;

struct State {
    SRWLOCK lock;
    bool configured;
    std::uint64_t failNumber;
    Statistics statistics;
    Header* quarantine[QuarantineBlocks];
    std::size_t quarantineOldest;
    std::size_t quarantineCount;
    std::uint64_t quarantineData;
    LiveBlockTable live;
    int keptScopes;  // KeptOnPurpose objects alive
};

// Constant-initialised: the allocator works before any constructor of the program has run.
State state = {SRWLOCK_INIT, false, 0, {}, {}, 0, 0, 0, {}, 0};

// How each form is allocated and released, in the order of Form.
struct FormNames {
    const char* allocation;
    const char* release;
};
constexpr FormNames Names[] = {
    {"new", "delete"},
    {"new[]", "delete[]"},
    {"aligned new", "aligned delete"},
    {"aligned new[]", "aligned delete[]"},
};

const FormNames& NamesOf(Form form) {
    return Names[static_cast<std::size_t>(form)];
}

// Writes "checked heap: <text>" as a line to standard error and to the debugger.
void WriteLine(const char* text) {
    CheckedOutput::WriteErrorLine("checked heap: ", text);
}

// Ends the process at once; what the program wrote to its streams goes out first.
[[noreturn]] void EndProcess() {
    std::fflush(nullptr);
    CoverageFlush::SaveCounts();
    TerminateProcess(GetCurrentProcess(), MisuseExitStatus);
    ExitProcess(MisuseExitStatus);
}

// Writes the line, then ends the process. Nothing of the program runs after a misuse: its heap
// can no longer be trusted.
[[noreturn]] void StopProgram(const char* text) {
    WriteLine(text);
    EndProcess();
}

// Reads the settings from the environment at the first allocation.
void Configure() {
    state.configured = true;
    char text[32];
    const DWORD length = GetEnvironmentVariableA("KV_FAIL_ALLOCATION", text, sizeof text);
    if (length > 0 && length < sizeof text) {
        state.failNumber = std::strtoull(text, nullptr, 10);
    }
}

std::size_t LowestSetBit(std::size_t value) {
    return value & (~value + 1);
}

// An object of `size` bytes needs no more alignment than the largest power of two dividing its
// size, and never more than the default; so the block can end flush with its pages.
std::size_t DefaultAlignment(std::size_t size) {
    const std::size_t fundamental = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
    if (size == 0) {
        return fundamental;
    }
    const std::size_t bit = LowestSetBit(size);
    return bit < fundamental ? bit : fundamental;
}

void CountCommitted(std::int64_t bytes) {
    Statistics& s = state.statistics;
    s.committedBytes += static_cast<std::uint64_t>(bytes);
    if (s.committedBytes > s.peakCommittedBytes) {
        s.peakCommittedBytes = s.committedBytes;
    }
}

// Gives the oldest quarantined block's address space back.
void ReleaseOldestQuarantined() {
    Header* header = state.quarantine[state.quarantineOldest];
    state.quarantine[state.quarantineOldest] = nullptr;
    state.quarantineOldest = (state.quarantineOldest + 1) % QuarantineBlocks;
    --state.quarantineCount;
    state.quarantineData -= header->dataPages * PageSize;
    --state.statistics.quarantinedBlocks;
    CountCommitted(-static_cast<std::int64_t>(PageSize));
    VirtualFree(header, 0, MEM_RELEASE);
}

void Quarantine(Header* header) {
    if (state.quarantineCount == QuarantineBlocks) {
        ReleaseOldestQuarantined();
    }
    const std::size_t slot = (state.quarantineOldest + state.quarantineCount) % QuarantineBlocks;
    state.quarantine[slot] = header;
    ++state.quarantineCount;
    state.quarantineData += header->dataPages * PageSize;
    ++state.statistics.quarantinedBlocks;
    while (state.quarantineData > QuarantineDataLimit && state.quarantineCount > 1) {
        ReleaseOldestQuarantined();
    }
}

// Returns the header of the reservation that holds `block`, or stops the program when the
// pointer cannot be one this allocator handed out.
Header* FindHeader(void* block) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(block, &region, sizeof region) == 0 || region.State == MEM_FREE ||
        region.AllocationBase == nullptr) {
        StopProgram(
            "release of a pointer that no block holds (never allocated, or released "
            "long ago)");
    }
    MEMORY_BASIC_INFORMATION first;
    if (VirtualQuery(region.AllocationBase, &first, sizeof first) == 0 ||
        first.State != MEM_COMMIT || (first.Protect & (PAGE_READONLY | PAGE_READWRITE)) == 0) {
        StopProgram("release of a pointer that this allocator did not hand out");
    }
    Header* header = static_cast<Header*>(region.AllocationBase);
    if (header->magic != LiveMagic && header->magic != FreedMagic) {
        StopProgram("release of a pointer that this allocator did not hand out");
    }
    return header;
}

// Stops the program with "<what> a block of N bytes (allocation #K)".
[[noreturn]] void StopForBlock(const char* what, const Header* header) {
    char text[256];
    std::snprintf(text, sizeof text, "%s a block of %llu bytes (allocation #%llu)", what,
                  static_cast<unsigned long long>(header->size),
                  static_cast<unsigned long long>(header->number));
    StopProgram(text);
}

void CheckRelease(const Header* header, void* block, Form form, std::size_t size) {
    char what[160];
    const long long offset = static_cast<unsigned char*>(block) - header->block;
    if (offset != 0) {
        std::snprintf(what, sizeof what, "release of a pointer %lld bytes %s",
                      offset < 0 ? -offset : offset, offset > 0 ? "into" : "before");
        StopForBlock(what, header);
    }
    if (header->magic == FreedMagic) {
        StopForBlock("double delete of", header);
    }
    if (header->form != form) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "mismatched delete: a block of %llu bytes from %s released with %s "
                      "(allocation #%llu)",
                      static_cast<unsigned long long>(header->size),
                      NamesOf(header->form).allocation, NamesOf(form).release,
                      static_cast<unsigned long long>(header->number));
        StopProgram(text);
    }
    if (size != 0 && size != header->size) {
        std::snprintf(what, sizeof what, "sized delete of %llu bytes for",
                      static_cast<unsigned long long>(size));
        StopForBlock(what, header);
    }
    char overwrite[160];
    if (FindOverwrite(header, overwrite, sizeof overwrite)) {
        StopForBlock(overwrite, header);
    }
}

// Writes "<what> a block of N bytes (allocation #K), asked for at <code>" without stopping.
void WriteBlockLine(const char* what, const Header* header) {
    char caller[900];
    CodeAddress::Describe(header->caller, caller, sizeof caller, true);
    char text[1100];
    std::snprintf(text, sizeof text, "%s a block of %llu bytes (allocation #%llu), asked for at %s",
                  what, static_cast<unsigned long long>(header->size),
                  static_cast<unsigned long long>(header->number), caller);
    WriteLine(text);
}

// Checks the pattern around every live block and lists each one not kept on purpose as a leak.
ExitFindings CheckLiveBlocks() {
    ExitFindings findings = {false, false};
    state.live.ForEach([&findings](const void* entry) {
        const auto* header = static_cast<const Header*>(entry);
        char overwrite[160];
        char what[200];
        if (FindOverwrite(header, overwrite, sizeof overwrite)) {
            std::snprintf(what, sizeof what, "at exit: %s", overwrite);
            WriteBlockLine(what, header);
            findings.corrupted = true;
        }
        if (!header->kept) {
            WriteBlockLine("leak:", header);
            findings.leaked = true;
        }
    });
    return findings;
}

// Writes the run's figures to the file that KV_ALLOCATION_REPORT names.
void WriteFigures() {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KV_ALLOCATION_REPORT", path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return;
    }
    const Statistics s = state.statistics;
    char text[512];
    const int size = std::snprintf(
        text, sizeof text,
        "allocations %llu\nlive_blocks %llu\nlive_bytes %llu\npeak_live_bytes %llu\n"
        "committed_bytes %llu\npeak_committed_bytes %llu\nquarantined_blocks %llu\n",
        static_cast<unsigned long long>(s.allocations),
        static_cast<unsigned long long>(s.liveBlocks), static_cast<unsigned long long>(s.liveBytes),
        static_cast<unsigned long long>(s.peakLiveBytes),
        static_cast<unsigned long long>(s.committedBytes),
        static_cast<unsigned long long>(s.peakCommittedBytes),
        static_cast<unsigned long long>(s.quarantinedBlocks));
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    if (size > 0) {
        WriteFile(file, text, static_cast<DWORD>(size), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace

void* Allocate(std::size_t size, std::size_t alignment, Form form, const void* caller) {
    const ExclusiveLock lock(state.lock);
    if (!state.configured) {
        Configure();
    }
    Statistics& s = state.statistics;
    const std::uint64_t number = ++s.allocations;
    if (number == state.failNumber) {
        return nullptr;
    }
    if (alignment == 0) {
        alignment = DefaultAlignment(size);
    }
    if (alignment > PageSize || size > (std::size_t(1) << (sizeof(void*) == 4 ? 30 : 40))) {
        return nullptr;
    }
    const std::size_t dataPages = size == 0 ? 1 : (size + PageSize - 1) / PageSize;
    const std::size_t committed = (1 + dataPages) * PageSize;
    auto* base = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, committed + PageSize, MEM_RESERVE, PAGE_NOACCESS));
    if (base == nullptr) {
        return nullptr;
    }
    if (VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    unsigned char* dataEnd = base + committed;
    auto* block = reinterpret_cast<unsigned char*>(
        (reinterpret_cast<std::uintptr_t>(dataEnd) - size) & ~(std::uintptr_t(alignment) - 1));
    std::memset(base + PageSize, SlackFill, static_cast<std::size_t>(block - (base + PageSize)));
    std::memset(block, NewBlockFill, size);
    std::memset(block + size, SlackFill, static_cast<std::size_t>(dataEnd - (block + size)));

    auto* header = reinterpret_cast<Header*>(base);
    *header = Header{LiveMagic,           form, size, block, dataPages, number, caller, NoSlot,
                     state.keptScopes > 0};
    header->slot = state.live.Take(header);
    DWORD previous = 0;
    VirtualProtect(header, PageSize, PAGE_READONLY, &previous);
    ++s.liveBlocks;
    s.liveBytes += size;
    if (s.liveBytes > s.peakLiveBytes) {
        s.peakLiveBytes = s.liveBytes;
    }
    CountCommitted(static_cast<std::int64_t>(committed));
    return block;
}

void Release(void* block, Form form, std::size_t size) {
    if (block == nullptr) {
        return;
    }
    const ExclusiveLock lock(state.lock);
    Header* header = FindHeader(block);
    CheckRelease(header, block, form, size);
    {
        WritableHeader writable(header);
        header->magic = FreedMagic;
        state.live.Free(header->slot);
        header->slot = NoSlot;
    }
    Statistics& s = state.statistics;
    --s.liveBlocks;
    s.liveBytes -= header->size;
    unsigned char* data = reinterpret_cast<unsigned char*>(header) + PageSize;
    VirtualFree(data, header->dataPages * PageSize, MEM_DECOMMIT);
    CountCommitted(-static_cast<std::int64_t>(header->dataPages * PageSize));
    Quarantine(header);
}

Statistics CurrentStatistics() {
    const ExclusiveLock lock(state.lock);
    return state.statistics;
}

std::size_t QuarantineCapacity() {
    return QuarantineBlocks;
}

KeptOnPurpose::KeptOnPurpose() {
    const ExclusiveLock lock(state.lock);
    ++state.keptScopes;
}

KeptOnPurpose::~KeptOnPurpose() {
    const ExclusiveLock lock(state.lock);
    --state.keptScopes;
}

ExitFindings CheckAtExit() {
    const ExclusiveLock lock(state.lock);
    const ExitFindings findings = CheckLiveBlocks();
    WriteFigures();
    return findings;
}

void FailAllocationNumber(std::uint64_t number) {
    const ExclusiveLock lock(state.lock);
    if (!state.configured) {
        Configure();
    }
    state.failNumber = number;
}

}  // namespace CheckedHeap
