#include "LiveBlockTable.h"

#include <windows.h>

namespace {

constexpr std::size_t PageSize = 4096;
constexpr std::size_t SlotsPerPage = PageSize / sizeof(std::uintptr_t);
// More blocks than the address space can hold, at 64 KiB each.
constexpr std::size_t Capacity = sizeof(void*) == 4 ? (1u << 16) : (1u << 22);

}  // namespace

std::size_t LiveBlockTable::Take(const void* header) {
    if (slots_ == nullptr) {
        slots_ = static_cast<std::uintptr_t*>(
            VirtualAlloc(nullptr, Capacity * sizeof(std::uintptr_t), MEM_RESERVE, PAGE_NOACCESS));
        if (slots_ == nullptr) {
            return NoSlot;
        }
    }
    std::size_t slot = firstFree_;
    if (slot != NoSlot) {
        firstFree_ = (slots_[slot] >> 1) - 1;
    } else {
        if (used_ == Capacity) {
            return NoSlot;
        }
        if (used_ == committed_) {
            if (VirtualAlloc(slots_ + committed_, PageSize, MEM_COMMIT, PAGE_READWRITE) ==
                nullptr) {
                return NoSlot;
            }
            committed_ += SlotsPerPage;
        }
        slot = used_++;
    }
    slots_[slot] = reinterpret_cast<std::uintptr_t>(header);
    return slot;
}

void LiveBlockTable::Free(std::size_t slot) {
    if (slot == NoSlot) {
        return;
    }
    slots_[slot] = ((static_cast<std::uintptr_t>(firstFree_) + 1) << 1) | 1;
    firstFree_ = slot;
}
