#include "ObjectIdAllocator.h"

#include "MutexLockGuard.h"

ObjectIdAllocator& ObjectIdAllocator::Instance() {
    static ObjectIdAllocator allocator;
    return allocator;
}

ObjectId ObjectIdAllocator::Next() {
    return Instance().Take();
}

void ObjectIdAllocator::SetNextIdForTesting(std::uint32_t id) {
    ObjectIdAllocator& allocator = Instance();
    MutexLockGuard guard(allocator.lock_);
    allocator.nextId_ = id;
}

// The limit itself names no object, so reaching it (or anything past it) restarts at 1.
ObjectId ObjectIdAllocator::Take() {
    MutexLockGuard guard(lock_);
    if (nextId_ >= idLimit_) {
        nextId_ = 1;
    }
    return nextId_++;
}
