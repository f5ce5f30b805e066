// A lock over an unnamed Win32 mutex, private to this process, guarding one shared structure.
#pragma once

#include <windows.h>

class MutexLock {
  public:
    // Creates the mutex at once, so a lock that is a static object is usable before main runs.
    MutexLock() { Create(); }
    ~MutexLock() { Close(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // Creates the mutex unless one is already held; a failure leaves the handle null.
    void Create();
    // Waits until the mutex is free and takes it.
    void Acquire();
    void Release();
    // Closes the mutex; the handle is null afterwards.
    void Close();

    HANDLE Handle() const { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};
