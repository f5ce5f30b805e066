#include "MutexLock.h"

void MutexLock::Create() {
    if (handle_ == nullptr) {
        // No name: the lock guards this process's data only, and a second running copy of the
        // program must not share it.
        handle_ = CreateMutexW(nullptr, FALSE, nullptr);
    }
}

// The wait result is not examined: a mutex abandoned by a thread that ended while holding it
// belongs to the caller all the same.
void MutexLock::Acquire() {
    if (handle_ != nullptr) {
        WaitForSingleObject(handle_, INFINITE);
    }
}

void MutexLock::Release() {
    if (handle_ != nullptr) {
        ReleaseMutex(handle_);
    }
}

void MutexLock::Close() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
}
