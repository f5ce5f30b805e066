// The checked heap's list of the blocks still live, so that every one of them can be checked and
// named at exit. Its memory comes straight from VirtualAlloc, reserved at the first block and
// committed a page at a time; it needs no constructor, so the heap can use it before any runs.
#pragma once

#include <cstddef>
#include <cstdint>

class LiveBlockTable {
  public:
    static constexpr std::size_t NoSlot = ~std::size_t(0);

    // Returns the slot that now holds `header`, or NoSlot when the table is full or its memory
    // cannot be had (the block is then not seen at exit).
    std::size_t Take(const void* header);
    // Empties a slot that Take returned; NoSlot is ignored.
    void Free(std::size_t slot);

    // Calls `visit` with each header held, in the order of their slots.
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (std::size_t slot = 0; slot < used_; ++slot) {
            if ((slots_[slot] & 1) == 0) {
                visit(reinterpret_cast<const void*>(slots_[slot]));
            }
        }
    }

  private:
    // A free slot holds the index of the next free one plus one (0: none), shifted and tagged:
    // headers are page-aligned, so their lowest bit is clear.
    std::uintptr_t* slots_ = nullptr;
    std::size_t used_ = 0;       // slots handed out at least once
    std::size_t committed_ = 0;  // slots whose memory is committed
    std::size_t firstFree_ = NoSlot;
};
