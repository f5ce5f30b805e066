// Hands out the ids that name cached fonts and pens, one numbering for both caches.
#pragma once

#include <cstdint>

#include "MutexLock.h"

using ObjectId = std::uint32_t;

// Names no object: the result of a failed acquisition; lookups and releases ignore it.
constexpr ObjectId InvalidObjectId = 0x7FFFFFFF;

class ObjectIdAllocator {
  public:
    // Hands out ids from `first` on; the process's allocator starts at 1.
    explicit ObjectIdAllocator(std::uint32_t first = 1) : nextId_(first) {}
    ObjectIdAllocator(const ObjectIdAllocator&) = delete;
    ObjectIdAllocator& operator=(const ObjectIdAllocator&) = delete;

    // Returns the allocator that the font and pen caches share, built on first use.
    static ObjectIdAllocator& Process();

    // Returns the next id, from 1 up to InvalidObjectId - 1, then from 1 again. Any thread may
    // call it.
    ObjectId Next();

  private:
    MutexLock lock_;
    std::uint32_t nextId_;
};
