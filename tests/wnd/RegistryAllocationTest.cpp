// Runs in its own executable: it makes the registry's block allocation fail.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "RegistryBlock.h"
#include "WindowTestSupport.h"

#ifdef KV_CHECKED_BUILD
#include "CheckedHeap.h"

namespace {

// The checked build's allocator fails the allocation numbered next; a window object's first
// allocation is the registry's block, as nothing of it allocates before it registers.
void FailNextAllocation(std::size_t) {
    CheckedHeap::FailAllocationNumber(CheckedHeap::CurrentStatistics().allocations + 1);
}

// Returns true once the allocation set to fail has been asked for.
bool FailedAllocationWasAskedFor(std::uint64_t allocationsBefore) {
    return CheckedHeap::CurrentStatistics().allocations == allocationsBefore + 1;
}

std::uint64_t AllocationsSoFar() {
    return CheckedHeap::CurrentStatistics().allocations;
}

}  // namespace
#else
namespace {
// The next allocation of exactly this many bytes throws; 0 disarms.
std::size_t failingAllocationSize = 0;

void FailNextAllocation(std::size_t size) {
    failingAllocationSize = size;
}

bool FailedAllocationWasAskedFor(std::uint64_t) {
    return failingAllocationSize == 0;
}

std::uint64_t AllocationsSoFar() {
    return 0;
}
}  // namespace

void* operator new(std::size_t size) {
    if (size != 0 && size == failingAllocationSize) {
        failingAllocationSize = 0;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#endif

namespace {

TEST(KvWndRegistryAllocation, AFailedBlockLeavesTheConstructorAndTheRegistryUsable) {
    std::vector<std::unique_ptr<RecordingWindow>> windows;
    for (int i = 0; i < static_cast<int>(RegistryBlock::SlotCount); ++i) {
        windows.push_back(std::make_unique<RecordingWindow>());
    }
    const std::uint64_t before = AllocationsSoFar();
    FailNextAllocation(sizeof(RegistryBlock));
    EXPECT_THROW(RecordingWindow overflow, std::bad_alloc);
    ASSERT_TRUE(FailedAllocationWasAskedFor(before))
        << "the block allocation was not the one that failed";
    EXPECT_TRUE(RegistryLockIsFree());
    EXPECT_EQ(1u, WindowRegistry::BlockCountForTesting());

    RecordingWindow later;
    EXPECT_EQ(static_cast<long>(RegistryBlock::SlotCount),
              WindowRegistry::SlotIndexForTesting(&later));
}

}  // namespace
