// One link of the window registry's chain: a fixed array of slots for window objects.
#pragma once

#include <cstdint>

#include "IKvWnd.h"

struct RegistryBlock {
    static constexpr std::uint32_t SlotCount = 254;

    // Number of occupied slots.
    std::uint32_t count;
    // Registered objects; null marks a free slot.
    IKvWnd* slots[SlotCount];
    RegistryBlock* next;
};

// Count, slots and link fill exactly 256 pointer-sized words (1024 bytes in the 32-bit program).
static_assert(sizeof(RegistryBlock) == 256 * sizeof(void*), "RegistryBlock has padding");
