// What this process holds of the system's objects and memory, and of the objects that the checked
// build's tracker sees its code make, read at one moment so that two moments can be compared.
#pragma once

#include <cstdint>

#include <gtest/gtest.h>

#include "ObjectTracker.h"

class ProcessObjects {
  public:
    // Reads everything now.
    static ProcessObjects Now();

    // The process's GDI objects: the system's count, or, where that answers 0 (under Wine), the
    // live entries of the process's GDI handle table. -1 when neither can be read.
    long gdiObjects = 0;
    // Where the handle table is read, its live entries by the type byte of the entry; otherwise
    // all zero.
    long gdiObjectsByType[256] = {};
    // The process's windows, top-level and child: the USER objects that the program makes.
    long windows = 0;
    // The process's private committed memory in bytes.
    std::uint64_t privateBytes = 0;
    // The objects of each kind that this process's own code has made and not released.
    std::size_t tracked[ObjectTracker::KindCount] = {};
    // The checked heap's figures: the blocks of the process's own code held, and released
    // blocks kept in quarantine (each keeps a committed page).
    std::uint64_t heapBlocks = 0;
    std::uint64_t heapBytes = 0;
    std::uint64_t quarantinedBlocks = 0;
};

// Expects the checked build's tracker to see as many objects of each kind held at both moments.
inline void ExpectSameTracked(const ProcessObjects& now, const ProcessObjects& earlier) {
    for (int i = 0; i < ObjectTracker::KindCount; ++i) {
        EXPECT_EQ(now.tracked[i], earlier.tracked[i])
            << ObjectTracker::NameOf(static_cast<ObjectTracker::Kind>(i));
    }
}
