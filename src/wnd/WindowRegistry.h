// The table of live window objects through which a window handle finds its object.
#pragma once

#include <windows.h>

#include "IKvWnd.h"
#include "MutexLock.h"
#include "RegistryBlock.h"

// Every operation takes the registry's lock for its whole run, so they may be used from any
// thread; while holding it they call only IKvWnd::GetHwnd and the memory allocator. The window
// framework uses the process's registry; a registry of its own serves a test.
class WindowRegistry {
  public:
    WindowRegistry();
    // Frees the blocks the registry added; the objects in them are not its own.
    ~WindowRegistry();
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // Returns the registry of the framework's window objects, built on first use.
    static WindowRegistry& Process();

    // Stores the object in the first free slot; false for a null object. Throws std::bad_alloc
    // when a new block is needed and cannot be allocated.
    bool Register(IKvWnd* window);
    // Removes the object; false when it is null or not registered.
    bool Unregister(IKvWnd* window);
    // Returns the first object whose GetHwnd is `hwnd`, or null; a null handle finds nothing.
    IKvWnd* FindByHwnd(HWND hwnd);

  private:
    MutexLock lock_;
    RegistryBlock firstBlock_;
};
