// The process-wide table of live window objects, through which a window handle finds its object.
#pragma once

#include <cstddef>

#include <windows.h>

#include "IKvWnd.h"

// All operations take the registry's lock for their whole run, so they may be used from any
// thread; while holding it they call only IKvWnd::GetHwnd and the memory allocator.
class WindowRegistry {
  public:
    WindowRegistry() = delete;

    // Stores the object in the first free slot; false for a null object. Throws std::bad_alloc
    // when a new block is needed and cannot be allocated.
    static bool Register(IKvWnd* window);
    // Removes the object; false when it is null or not registered.
    static bool Unregister(IKvWnd* window);
    // Returns the first object whose GetHwnd is `hwnd`, or null; a null handle finds nothing.
    static IKvWnd* FindByHwnd(HWND hwnd);

    // Inspection for the tests; the program itself never calls these.
    static std::size_t BlockCountForTesting();
    // Returns block index × slots per block + slot index, or -1 when not registered.
    static long SlotIndexForTesting(const IKvWnd* window);
    // Returns how many times the registry has taken its lock so far.
    static unsigned long LockAcquisitionsForTesting();
    static HANDLE LockHandleForTesting();
};
