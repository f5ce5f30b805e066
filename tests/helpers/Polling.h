// Waits for a condition by asking it again and again, never by sleeping a fixed time and hoping.
#pragma once

#include <functional>

#include <windows.h>

// Calls `condition` until it holds or `limit` milliseconds have passed; returns its last answer.
inline bool PollUntil(const std::function<bool()>& condition, DWORD limit) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limit) {
            return false;
        }
        Sleep(10);
    }
    return true;
}
