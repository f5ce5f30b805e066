#include "CheckedHeap.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CheckedOutput.h"
#include "CodeAddress.h"
#include "ExclusiveLock.h"
#include "LiveBlockTable.h"

// The allocator hands blocks out, checks them when they come back, keeps them inaccessible in a
// bounded quarantine for a while, and lists those still live at exit as leaks, with the code
// that asked for them. Every block lives in a reservation of its own:
//
//   [header page][data pages ........ slack | block][guard page]
//
// The block ends exactly where the committed data pages end, so the first byte written or read
// past it lands on the guard page, which is reserved but never committed, and faults at once.
// The header page is read-only except while the allocator writes it, so a write before a block
// that fills its pages exactly faults at once too. The slack before any other block is filled
// with a pattern that is checked when the block is released, and at exit for every block still
// live. On release the data pages are decommitted (any later access faults); the header stays
// readable, so that a second release can still be named.
namespace CheckedHeap {
namespace {

constexpr std::size_t PageSize = 4096;
constexpr std::uint32_t LiveMagic = 0x4B564C42;   // a block handed out
constexpr std::uint32_t FreedMagic = 0x4B564644;  // a block released, still in quarantine
constexpr unsigned char SlackFill = 0xAB;
constexpr unsigned char NewBlockFill = 0xCD;

// The header page's record of its block.
struct Header {
    std::uint32_t magic;
    Form form;
    std::size_t size;
    unsigned char* block;
    std::size_t dataPages;
    std::uint64_t number;
    const void* caller;  // the code that asked for the block
    std::size_t slot;    // its place in the live blocks' table, LiveBlockTable::NoSlot when none
    bool kept;           // kept to the end of the process on purpose: no leak
};

// Each reservation takes 64 KiB of address space whatever its size, so the quarantine is bounded
// by count: 1024 blocks use 64 MiB of a 32-bit process's 2 GiB, and commit 4 MiB of headers.
constexpr std::size_t QuarantineBlocks = sizeof(void*) == 4 ? 1024 : 4096;
// Above this many bytes of decommitted data in quarantine, old blocks are released early too.
constexpr std::uint64_t QuarantineDataLimit = 256ull * 1024 * 1024;

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
constexpr const char* AllocationNames[] = {"new", "new[]", "aligned new", "aligned new[]"};
constexpr const char* ReleaseNames[] = {"delete", "delete[]", "aligned delete", "aligned delete[]"};

// Nothing of the program runs after a misuse: its heap can no longer be trusted.
[[noreturn]] void StopProgram(const char* text) {
    CheckedOutput::WriteErrorLine("checked heap: ", text);
    CheckedOutput::EndProcess(MisuseExitStatus);
}

// Writes "checked heap: <what> a block of N bytes<detail> (allocation #K)" on standard error,
// followed by ", asked for at <code>" when `named`.
void WriteBlockLine(const char* what, const Header* header, const char* detail, bool named) {
    char caller[900] = "";
    if (named) {
        CodeAddress::Describe(header->caller, caller, sizeof caller, true);
    }
    char text[1200];
    std::snprintf(text, sizeof text, "%s a block of %llu bytes%s (allocation #%llu)%s%s", what,
                  static_cast<unsigned long long>(header->size), detail,
                  static_cast<unsigned long long>(header->number), named ? ", asked for at " : "",
                  caller);
    CheckedOutput::WriteErrorLine("checked heap: ", text);
}

[[noreturn]] void StopForBlock(const char* what, const Header* header, const char* detail = "") {
    WriteBlockLine(what, header, detail, false);
    CheckedOutput::EndProcess(MisuseExitStatus);
}

// Reads the settings from the environment at the first allocation.
void ConfigureOnce() {
    if (state.configured) {
        return;
    }
    state.configured = true;
    char text[32];
    if (CheckedOutput::ReadVariable("KV_FAIL_ALLOCATION", text, sizeof text)) {
        state.failNumber = std::strtoull(text, nullptr, 10);
    }
}

// An object of `size` bytes needs no more alignment than the largest power of two dividing its
// size, and never more than the default; so the block can end flush with its pages.
std::size_t DefaultAlignment(std::size_t size) {
    const std::size_t fundamental = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
    const std::size_t lowestBit = size & (~size + 1);
    return size == 0 || lowestBit > fundamental ? fundamental : lowestBit;
}

// The header page is read-only but while the allocator writes it.
void ProtectHeader(Header* header, DWORD protection) {
    DWORD previous = 0;
    VirtualProtect(header, PageSize, protection, &previous);
}

void CountCommitted(std::int64_t bytes) {
    Statistics& s = state.statistics;
    s.committedBytes += static_cast<std::uint64_t>(bytes);
    s.peakCommittedBytes = std::max(s.peakCommittedBytes, s.committedBytes);
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
    auto* header = static_cast<Header*>(region.AllocationBase);
    if (VirtualQuery(header, &first, sizeof first) == 0 || first.State != MEM_COMMIT ||
        (first.Protect & (PAGE_READONLY | PAGE_READWRITE)) == 0 ||
        (header->magic != LiveMagic && header->magic != FreedMagic)) {
        StopProgram("release of a pointer that this allocator did not hand out");
    }
    return header;
}

// Returns the offset of the first byte in [from, to) that lost the slack's pattern, or -1.
long long FirstOverwritten(const unsigned char* from, const unsigned char* to) {
    const unsigned char* byte =
        std::find_if(from, to, [](unsigned char value) { return value != SlackFill; });
    return byte == to ? -1 : byte - from;
}

// Returns true, and what was written where into `what`, when the slack before the block or the
// bytes that an alignment left between its end and the guard page lost their pattern.
bool FindOverwrite(const Header* header, char* what, std::size_t size) {
    const auto* dataStart = reinterpret_cast<const unsigned char*>(header) + PageSize;
    const long long before = FirstOverwritten(dataStart, header->block);
    if (before >= 0) {
        std::snprintf(what, size, "write %lld bytes before",
                      static_cast<long long>(header->block - dataStart) - before);
        return true;
    }
    const long long after =
        FirstOverwritten(header->block + header->size, dataStart + header->dataPages * PageSize);
    if (after >= 0) {
        std::snprintf(what, size, "write %lld bytes past the end of", after + 1);
        return true;
    }
    return false;
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
        std::snprintf(what, sizeof what, " from %s released with %s",
                      AllocationNames[static_cast<int>(header->form)],
                      ReleaseNames[static_cast<int>(form)]);
        StopForBlock("mismatched delete:", header, what);
    }
    if (size != 0 && size != header->size) {
        std::snprintf(what, sizeof what, "sized delete of %llu bytes for",
                      static_cast<unsigned long long>(size));
        StopForBlock(what, header);
    }
    if (FindOverwrite(header, what, sizeof what)) {
        StopForBlock(what, header);
    }
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
            WriteBlockLine(what, header, "", true);
            findings.corrupted = true;
        }
        if (!header->kept) {
            WriteBlockLine("leak:", header, "", true);
            findings.leaked = true;
        }
    });
    return findings;
}

// Writes the run's figures to the file that KV_ALLOCATION_REPORT names.
void WriteFigures() {
    char path[MAX_PATH];
    if (!CheckedOutput::ReadVariable("KV_ALLOCATION_REPORT", path, sizeof path)) {
        return;
    }
    const Statistics& s = state.statistics;
    const auto u = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    CheckedOutput::ReportFile(path).Line(
        "allocations %llu\nlive_blocks %llu\nlive_bytes %llu\npeak_live_bytes %llu\n"
        "committed_bytes %llu\npeak_committed_bytes %llu\nquarantined_blocks %llu",
        u(s.allocations), u(s.liveBlocks), u(s.liveBytes), u(s.peakLiveBytes), u(s.committedBytes),
        u(s.peakCommittedBytes), u(s.quarantinedBlocks));
}

}  // namespace

void* Allocate(std::size_t size, std::size_t alignment, Form form, const void* caller) {
    const ExclusiveLock lock(state.lock);
    ConfigureOnce();
    Statistics& s = state.statistics;
    const std::uint64_t number = ++s.allocations;
    if (number == state.failNumber) {
        return nullptr;
    }
    alignment = alignment != 0 ? alignment : DefaultAlignment(size);
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
    *header = Header{LiveMagic,           form,   size,   block,
                     dataPages,           number, caller, state.live.Take(header),
                     state.keptScopes > 0};
    ProtectHeader(header, PAGE_READONLY);
    ++s.liveBlocks;
    s.liveBytes += size;
    s.peakLiveBytes = std::max(s.peakLiveBytes, s.liveBytes);
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
    ProtectHeader(header, PAGE_READWRITE);
    header->magic = FreedMagic;
    state.live.Free(header->slot);
    header->slot = LiveBlockTable::NoSlot;
    ProtectHeader(header, PAGE_READONLY);
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
    ConfigureOnce();
    state.failNumber = number;
}

}  // namespace CheckedHeap
