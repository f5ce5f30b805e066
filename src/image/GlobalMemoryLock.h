// Keeps a movable global memory block locked, and so its address fixed, for one scope.
#pragma once

#include <windows.h>

class GlobalMemoryLock {
  public:
    explicit GlobalMemoryLock(HGLOBAL memory)
        : memory_(memory), data_(memory != nullptr ? GlobalLock(memory) : nullptr) {}
    ~GlobalMemoryLock() {
        if (data_ != nullptr) {
            GlobalUnlock(memory_);
        }
    }
    GlobalMemoryLock(const GlobalMemoryLock&) = delete;
    GlobalMemoryLock& operator=(const GlobalMemoryLock&) = delete;

    // The block's address, or null when it could not be locked.
    void* Data() const { return data_; }
    // The block's size in bytes; 0 when it could not be locked.
    SIZE_T Size() const { return data_ != nullptr ? GlobalSize(memory_) : 0; }

  private:
    HGLOBAL memory_;
    void* data_;
};
