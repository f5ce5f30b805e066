// The checked build's allocator: block placement and fill, what a release leaves behind, chosen
// failures, and (in the probe program) how misuse stops a process and what it reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "CheckedHeap.h"
#include "ExitChecks.h"
#include "FaultReporter.h"
#include "GameProcess.h"
#include "TestFiles.h"
#include "fixtures/ProbeCases.h"

namespace {

using CheckedHeap::CurrentStatistics;
using CheckedHeap::Statistics;

constexpr std::uintptr_t PageSize = 4096;

DWORD PageState(const void* address) {
    MEMORY_BASIC_INFORMATION region = {};
    VirtualQuery(address, &region, sizeof region);
    return region.State;
}

std::uintptr_t Address(const void* pointer) {
    return reinterpret_cast<std::uintptr_t>(pointer);
}

TEST(CheckedHeap, BlocksEndAtAGuardPageAlignedAndFilled) {
    // {size, alignment}; 0: plain new, whose alignment follows from the size.
    const std::size_t requests[][2] = {{1, 0},    {3, 0},       {13, 0},   {24, 0},    {40, 0},
                                       {4095, 0}, {4096, 0},    {4097, 0}, {65544, 0}, {64, 64},
                                       {1, 4096}, {8192, 4096}, {10, 64},  {24, 256}};
    for (const auto& r : requests) {
        const std::size_t size = r[0];
        auto* block = static_cast<unsigned char*>(
            Hide(r[1] ? ::operator new[](size, std::align_val_t(r[1])) : ::operator new(size)));
        const std::size_t lowestBit = size & (~size + 1);
        const std::size_t alignment = r[1] ? r[1] : lowestBit < 16 ? lowestBit : 16;
        EXPECT_EQ(Address(block) % alignment, 0u) << size;
        // As close to the guard page as the alignment allows: flush when it divides the size,
        // and otherwise short of it by what the size lacks of a multiple of the alignment.
        const std::uintptr_t gap = (PageSize - Address(block + size) % PageSize) % PageSize;
        EXPECT_EQ(gap, (alignment - size % alignment) % alignment) << size;
        EXPECT_EQ(PageState(block + size - 1), static_cast<DWORD>(MEM_COMMIT)) << size;
        EXPECT_EQ(PageState(block + size + gap), static_cast<DWORD>(MEM_RESERVE)) << size;
        EXPECT_EQ(std::count(block, block + size, 0xCD), static_cast<std::ptrdiff_t>(size)) << size;
        if (Address(block) % PageSize != 0) {
            EXPECT_EQ(block[-1], 0xAB) << size;
        }
        r[1] ? ::operator delete[](block, std::align_val_t(r[1])) : ::operator delete(block);
    }
    void* empty[] = {Hide(::operator new(0)), Hide(::operator new[](0))};
    EXPECT_TRUE(empty[0] != nullptr && empty[1] != nullptr && empty[0] != empty[1]);
    ::operator delete(empty[0]);
    ::operator delete[](empty[1]);
}

TEST(CheckedHeap, ReleaseDecommitsAndTheBoundedQuarantineGivesBackTheOldestFirst) {
    const std::size_t capacity = CheckedHeap::QuarantineCapacity();
    const Statistics before = CurrentStatistics();
    char* oldest = Hide(new char[5000]);  // a header page and two data pages
    char* next = Hide(new char[24]);
    const Statistics held = CurrentStatistics();
    delete[] oldest;
    delete[] next;
    EXPECT_EQ(PageState(oldest), static_cast<DWORD>(MEM_RESERVE));
    EXPECT_EQ(PageState(oldest + 4999), static_cast<DWORD>(MEM_RESERVE));
    // After `capacity` releases the quarantine holds exactly these, the first being the oldest.
    for (std::size_t i = 2; i < capacity; ++i) {
        delete[] Hide(new char[24 + i % 50]);
    }
    const DWORD oldestWhileKept = PageState(oldest);
    delete[] Hide(new char[24]);
    EXPECT_EQ(oldestWhileKept, static_cast<DWORD>(MEM_RESERVE));
    EXPECT_EQ(PageState(oldest), static_cast<DWORD>(MEM_FREE));
    EXPECT_EQ(PageState(next), static_cast<DWORD>(MEM_RESERVE));
    for (std::size_t i = 0; i < 2 * capacity; ++i) {
        delete[] Hide(new char[24 + i % 50]);
    }
    const Statistics after = CurrentStatistics();
    EXPECT_EQ(held.liveBlocks, before.liveBlocks + 2);
    EXPECT_EQ(held.liveBytes, before.liveBytes + 5024);
    EXPECT_EQ(held.committedBytes, before.committedBytes + 5 * PageSize);
    EXPECT_EQ(after.allocations, before.allocations + 1 + 3 * capacity);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    EXPECT_EQ(after.liveBytes, before.liveBytes);
    EXPECT_EQ(after.quarantinedBlocks, capacity);
    // Only the headers of the blocks that filled the quarantine up stay committed.
    EXPECT_EQ(after.committedBytes,
              before.committedBytes + (capacity - before.quarantinedBlocks) * PageSize);
}

TEST(CheckedHeap, ChosenAllocationFailsAndTheNextSucceeds) {
    struct Form {
        void* (*allocate)(bool nothrow);
        void (*release)(void*);
    } forms[] = {
        {[](bool n) { return n ? ::operator new(24, std::nothrow) : ::operator new(24); },
         [](void* p) { ::operator delete(p); }},
        {[](bool n) { return n ? ::operator new[](24, std::nothrow) : ::operator new[](24); },
         [](void* p) { ::operator delete[](p); }},
        {[](bool n) {
             return n ? ::operator new(24, std::align_val_t(32), std::nothrow)
                      : ::operator new(24, std::align_val_t(32));
         },
         [](void* p) { ::operator delete(p, std::align_val_t(32)); }},
        {[](bool n) {
             return n ? ::operator new[](24, std::align_val_t(32), std::nothrow)
                      : ::operator new[](24, std::align_val_t(32));
         },
         [](void* p) { ::operator delete[](p, std::align_val_t(32)); }},
    };
    for (const Form& form : forms) {
        for (bool nothrow : {false, true}) {
            void* results[3] = {};
            bool threw[3] = {};
            const std::uint64_t start = CurrentStatistics().allocations;
            CheckedHeap::FailAllocationNumber(start + 2);
            for (int i = 0; i < 3; ++i) {
                try {
                    results[i] = form.allocate(nothrow);
                } catch (const std::bad_alloc&) {
                    threw[i] = true;
                }
            }
            CheckedHeap::FailAllocationNumber(0);
            const int index = static_cast<int>(&form - forms);
            EXPECT_TRUE(results[0] && !results[1] && results[2]) << index << nothrow;
            EXPECT_TRUE(!threw[0] && threw[1] == !nothrow && !threw[2]) << index << nothrow;
            EXPECT_EQ(CurrentStatistics().allocations, start + 3) << index << nothrow;
            form.release(results[0]);
            form.release(results[2]);
        }
    }
}

struct ThrowsWhenBuilt {
    ThrowsWhenBuilt() { throw std::runtime_error("not built"); }
};

// A constructor that throws inside `new (std::nothrow)` makes the compiler give the block back
// through the nothrow form of delete; a release that kept it would leak on every such failure.
TEST(CheckedHeap, NothrowNewOfAThrowingConstructorGivesItsBlockBack) {
    std::uint64_t before = CurrentStatistics().liveBlocks;
    EXPECT_THROW(Hide(new (std::nothrow) ThrowsWhenBuilt), std::runtime_error);
    EXPECT_EQ(CurrentStatistics().liveBlocks, before) << "single";
    before = CurrentStatistics().liveBlocks;
    EXPECT_THROW(Hide(new (std::nothrow) ThrowsWhenBuilt[3]), std::runtime_error);
    EXPECT_EQ(CurrentStatistics().liveBlocks, before) << "array";
}

// Runs the heap's probe with `environment` and returns its exit status (-1 when it could not
// run or did not end) and its output.
DWORD RunProbe(const std::wstring& arguments, std::string& output,
               const GameProcess::Environment& environment = {}) {
    return RunSiblingProgram(L"checked_heap_probe.exe", arguments, output, environment);
}

// The text after "NAME " in `output`, up to the end of its line.
std::string Field(const std::string& output, const std::string& name) {
    const std::size_t at = output.find(name + " ");
    if (at == std::string::npos) {
        return "(no " + name + ")";
    }
    const std::size_t start = at + name.size() + 1;
    return output.substr(start, output.find('\n', start) - start);
}

struct Misuse {
    const char* name;
    const char* message;  // what the output must hold; a fault's is followed by its address
};

void PrintTo(const Misuse& misuse, std::ostream* stream) {
    *stream << misuse.name;
}

class CheckedHeapMisuse : public testing::TestWithParam<Misuse> {};

TEST_P(CheckedHeapMisuse, StopsTheProgramAndNamesTheFault) {
    const std::string name = GetParam().name;
    std::string output;
    const DWORD status = RunProbe(std::wstring(name.begin(), name.end()), output);
    std::string message = GetParam().message;
    if (message.rfind("fault", 0) == 0) {
        // The fault must come from the very access the probe announced, at once.
        EXPECT_EQ(status, FaultReporter::FaultExitStatus) << output;
        message += Field(output, "target") + " at ";
    } else {
        EXPECT_EQ(status, 0xC0000374) << output;
        message = "checked heap: " + message;
    }
    EXPECT_NE(output.find(message), std::string::npos) << output;
    // A misuse found by the exit checks comes after the probe's last word.
    if (name.find("released") == std::string::npos) {
        EXPECT_EQ(output.find("survived"), std::string::npos) << output;
    }
}

const Misuse misuses[] = {
    {"write-past-end", "fault: access violation writing "},
    {"read-past-end", "fault: access violation reading "},
    {"write-past-aligned-end", "fault: access violation writing "},
    {"read-after-free", "fault: access violation reading "},
    {"write-after-free", "fault: access violation writing "},
    {"write-before-page-sized-block", "fault: access violation writing "},
    {"write-before-start", "write 1 bytes before a block of 13 bytes"},
    {"write-before-block-released-at-exit", "write 2 bytes before a block of 13 bytes"},
    {"write-before-block-never-released", "at exit: write 3 bytes before a block of 13 bytes"},
    {"write-in-aligned-tail", "write 2 bytes past the end of a block of 10 bytes"},
    {"double-delete", "double delete of a block of 4 bytes"},
    {"new-array-delete",
     "mismatched delete: a block of 40 bytes from new[] released with delete ("},
    {"new-delete-array", "mismatched delete: a block of 4 bytes from new released with delete[] ("},
    {"aligned-new-delete",
     "mismatched delete: a block of 64 bytes from aligned new released with delete ("},
    {"sized-delete-wrong-size", "sized delete of 12 bytes for a block of 13 bytes"},
    {"sized-aligned-array-delete-wrong-size", "sized delete of 39 bytes for a block of 40 bytes"},
    {"delete-interior-pointer", "release of a pointer 8 bytes into a block of 40 bytes"},
    {"delete-slack-pointer", "release of a pointer 8 bytes before a block of 40 bytes"},
    {"delete-stack-pointer", "release of a pointer that"},
    {"delete-freed-address", "release of a pointer that no block holds"},
    {"delete-foreign-pages", "release of a pointer that this allocator did not hand out"},
};

INSTANTIATE_TEST_SUITE_P(Probe, CheckedHeapMisuse, testing::ValuesIn(misuses),
                         [](const auto& info) { return TestNameOf(info.param.name); });

TEST(CheckedHeapProbe, CorrectUseOfEveryFormAndBlocksKeptOnPurposeReportNothing) {
    for (const wchar_t* name : {L"clean", L"kept-on-purpose"}) {
        std::string output;
        EXPECT_EQ(RunProbe(name, output), 0u) << output;
        EXPECT_EQ(output, "survived\n") << name;
    }
}

// A block never released is listed at exit with its size, number and the code that asked for
// it, and the process ends with the leak's status.
TEST(CheckedHeapProbe, BlockStillLiveAtExitIsListedAsALeak) {
    std::string output;
    EXPECT_EQ(RunProbe(L"leak", output), ExitChecks::LeakExitStatus);
    const std::size_t leak = output.find("checked heap: leak: a block of 24 bytes (allocation #");
    ASSERT_NE(leak, std::string::npos) << output;
    const std::string line = output.substr(leak, output.find('\n', leak) - leak);
    EXPECT_NE(line.find("), asked for at 0x"), std::string::npos) << line;
    EXPECT_NE(line.find("checked_heap_probe.exe+0x"), std::string::npos) << line;
    EXPECT_EQ(output.find("checked heap: leak", leak + 1), std::string::npos) << output;
}

TEST(CheckedHeapProbe, EnvironmentChoosesTheAllocationThatFails) {
    std::string plain;
    ASSERT_EQ(RunProbe(L"fail-at-env", plain), 0u) << plain;
    const std::string first = Field(plain, "first");
    ASSERT_EQ(plain, "first " + first + "\nsurvived\n");
    const std::string chosen = std::to_string(std::stoull(first) + 10);
    std::string failing;
    EXPECT_EQ(RunProbe(L"fail-at-env", failing,
                       {{L"KV_FAIL_ALLOCATION", std::wstring(chosen.begin(), chosen.end())}}),
              0u);
    EXPECT_EQ(failing, "first " + first + "\nfailed " + chosen + "\nsurvived\n");
}

TEST(CheckedHeapProbe, ExitReportCountsEveryAllocation) {
    TemporaryFile fewer;
    TemporaryFile more;
    std::string output;
    ASSERT_EQ(RunProbe(L"report 10", output, {{L"KV_ALLOCATION_REPORT", fewer.Path().Text()}}), 0u);
    ASSERT_EQ(RunProbe(L"report 50", output, {{L"KV_ALLOCATION_REPORT", more.Path().Text()}}), 0u);
    const std::string a = ReadText(fewer.Path());
    const std::string b = ReadText(more.Path());
    EXPECT_EQ(a.rfind("allocations ", 0), 0u) << a;
    for (const char* figure : {"allocations", "live_blocks"}) {
        EXPECT_EQ(std::stoll(Field(b, figure)) - std::stoll(Field(a, figure)), 40) << a << b;
    }
    EXPECT_EQ(std::stoll(Field(b, "live_bytes")) - std::stoll(Field(a, "live_bytes")), 160);
}

}  // namespace
