// Holds a slim reader/writer lock exclusively for as long as the object lives. The instruments'
// state is zero before any code runs, which is an unlocked SRWLOCK, so no constructor has to run
// before the first lock.
#pragma once

#include <windows.h>

class ExclusiveLock {
  public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  private:
    SRWLOCK& lock_;
};
