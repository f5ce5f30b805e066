// The reservation that holds one block of the checked heap, and the checks of the bytes around it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "CheckedHeap.h"

// Every block lives in a reservation of its own:
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
    std::size_t slot;    // its place in the live blocks' table, NoSlot when it has none
    bool kept;           // kept to the end of the process on purpose: no leak
};

// Makes the header page writable for as long as the object lives.
class WritableHeader {
  public:
    explicit WritableHeader(Header* header) : header_(header) { Protect(PAGE_READWRITE); }
    ~WritableHeader() { Protect(PAGE_READONLY); }
    WritableHeader(const WritableHeader&) = delete;
    WritableHeader& operator=(const WritableHeader&) = delete;

  private:
    void Protect(DWORD protection) {
        DWORD previous = 0;
        VirtualProtect(header_, PageSize, protection, &previous);
    }
    Header* header_;
};

// Returns true, and what was written where into `what`, when the slack before the block or the
// bytes that an alignment left between its end and the guard page lost their pattern.
bool FindOverwrite(const Header* header, char* what, std::size_t size);

}  // namespace CheckedHeap
