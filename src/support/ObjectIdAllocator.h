// Hands out the ids that name cached fonts and pens, one numbering for both caches.
#pragma once

#include <cstdint>

#include "MutexLock.h"

using ObjectId = std::uint32_t;

// Names no object: the result of a failed acquisition; lookups and releases ignore it.
constexpr ObjectId InvalidObjectId = 0x7FFFFFFF;

class ObjectIdAllocator {
  public:
    // Returns the next id, from 1 up to InvalidObjectId - 1, then from 1 again.
    static ObjectId Next();
    // Makes `id` the value the next call of Next starts from (it still wraps as usual).
    static void SetNextIdForTesting(std::uint32_t id);

    ObjectIdAllocator(const ObjectIdAllocator&) = delete;
    ObjectIdAllocator& operator=(const ObjectIdAllocator&) = delete;

  private:
    ObjectIdAllocator() = default;
    static ObjectIdAllocator& Instance();
    ObjectId Take();

    MutexLock lock_;
    std::uint32_t nextId_ = 1;
    const std::uint32_t idLimit_ = InvalidObjectId;
};
