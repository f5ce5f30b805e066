// Runs a piece of test code on a second thread, for probing locks that the test thread holds.
#pragma once

#include <functional>
#include <utility>

#include <windows.h>

inline DWORD WINAPI RunOtherThreadWork(LPVOID parameter) {
    auto* work = static_cast<std::function<void()>*>(parameter);
    (*work)();
    delete work;
    return 0;
}

// Returns true when `work` ran to its end on a new thread within `timeoutMs`. A thread still
// blocked by then is ended, so that it cannot touch the caller's data later; the test has
// failed anyway.
inline bool RunOnOtherThread(std::function<void()> work, DWORD timeoutMs = INFINITE) {
    auto* task = new std::function<void()>(std::move(work));
    HANDLE thread = CreateThread(nullptr, 0, RunOtherThreadWork, task, 0, nullptr);
    if (thread == nullptr) {
        delete task;
        return false;
    }
    const bool finished = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    if (!finished) {
        TerminateThread(thread, 1);
    }
    CloseHandle(thread);
    return finished;
}

// Returns what a wait of no time for `mutex` gives on another thread: WAIT_OBJECT_0 when the
// mutex is free (the probe gives it back at once), WAIT_TIMEOUT while another thread holds it.
inline DWORD ProbeMutexFromOtherThread(HANDLE mutex) {
    DWORD result = WAIT_FAILED;
    RunOnOtherThread([mutex, &result] {
        result = WaitForSingleObject(mutex, 0);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            ReleaseMutex(mutex);
        }
    });
    return result;
}
