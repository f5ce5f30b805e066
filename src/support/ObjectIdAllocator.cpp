#include "ObjectIdAllocator.h"

#include "MutexLockGuard.h"

ObjectIdAllocator& ObjectIdAllocator::Process() {
    static ObjectIdAllocator allocator;
    return allocator;
}

// The limit itself names no object, so reaching it (or anything past it) restarts at 1.
ObjectId ObjectIdAllocator::Next() {
    MutexLockGuard guard(lock_);
    if (nextId_ >= InvalidObjectId) {
        nextId_ = 1;
    }
    return nextId_++;
}
