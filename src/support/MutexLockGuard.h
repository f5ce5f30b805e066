// Holds a MutexLock for one scope, releasing it on every way out, exceptions included.
#pragma once

#include "MutexLock.h"

class MutexLockGuard {
  public:
    explicit MutexLockGuard(MutexLock& lock) : lock_(lock) { lock_.Acquire(); }
    ~MutexLockGuard() { lock_.Release(); }
    MutexLockGuard(const MutexLockGuard&) = delete;
    MutexLockGuard& operator=(const MutexLockGuard&) = delete;

  private:
    MutexLock& lock_;
};
