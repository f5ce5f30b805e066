// The checked build's allocator: every C++ allocation gets pages of its own, ends where its pages
// end and is followed by an inaccessible page; freed blocks stay inaccessible for a while; misuse
// stops the program with a message that names it; blocks still live at exit are listed as leaks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace CheckedHeap {

// The status that a misuse ends the process with: the one the system reports for a heap that was
// found corrupt.
constexpr unsigned long MisuseExitStatus = 0xC0000374;

// How a block was allocated; it must be released the same way.
enum class Form : std::uint8_t { Single, Array, AlignedSingle, AlignedArray };

// Returns a block of `size` bytes aligned to `alignment` (0: the default for its size), or null
// when the block cannot be had or this allocation is the one chosen to fail. `caller` is the code
// that asked for it, named if the block is still live at exit.
void* Allocate(std::size_t size, std::size_t alignment, Form form, const void* caller);

// Releases a block; `size` is the size a sized delete passes, 0 when none is passed. Stops the
// program when the pointer was not handed out, was released before or is released the wrong way.
void Release(void* block, Form form, std::size_t size);

// Figures of this process so far, for the tests and the exit report.
struct Statistics {
    std::uint64_t allocations;     // every allocation asked for, failed ones included
    std::uint64_t liveBlocks;      // blocks handed out and not yet released
    std::uint64_t liveBytes;       // bytes asked for by those blocks
    std::uint64_t peakLiveBytes;   // the highest liveBytes seen
    std::uint64_t committedBytes;  // pages committed now, quarantined headers included
    std::uint64_t peakCommittedBytes;
    std::uint64_t quarantinedBlocks;  // released blocks still kept inaccessible
};
Statistics CurrentStatistics();

// The most blocks kept in quarantine at once; the oldest gives its address space back first.
std::size_t QuarantineCapacity();

// Marks every block allocated while an object of this class lives, on any thread, as kept to the
// end of the process on purpose: it is still checked at exit, but not listed as a leak.
class KeptOnPurpose {
  public:
    KeptOnPurpose();
    ~KeptOnPurpose();
    KeptOnPurpose(const KeptOnPurpose&) = delete;
    KeptOnPurpose& operator=(const KeptOnPurpose&) = delete;
};

// What the exit checks found among the blocks still live.
struct ExitFindings {
    bool corrupted;  // a pattern was broken, though no release showed it
    bool leaked;     // a block not kept on purpose was still live
};

// Checks the pattern around every block still live, lists each one not kept on purpose as a
// leak on standard error, and writes the run's figures to the file that KV_ALLOCATION_REPORT
// names. Called once, when every other static object of the program is gone (ExitChecks.cpp).
ExitFindings CheckAtExit();

// Makes the allocation with this number (counted from 1 over the whole run) fail; 0 fails none.
// KV_FAIL_ALLOCATION in the environment sets it at the first allocation.
void FailAllocationNumber(std::uint64_t number);

}  // namespace CheckedHeap
