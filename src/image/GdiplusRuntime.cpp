#include "GdiplusRuntime.h"

#include <windows.h>
// Included ahead of GDI+, which needs its COM types (left out by WIN32_LEAN_AND_MEAN).
#include <objidl.h>
#include <gdiplus.h>

namespace {

// Zero-initialised before any code runs, so images of static storage duration may acquire GDI+
// during static initialisation in any order.
struct GdiplusRuntime {
    ULONG_PTR token;
    std::int32_t refCount;
};

GdiplusRuntime runtime;

}  // namespace

bool AcquireGdiplus() {
    if (runtime.refCount == 0) {
        // Version 1, no debug callback, GDI+'s own background thread and external codecs left on.
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
            runtime.token = 0;
            return false;
        }
        runtime.token = token;
    }
    ++runtime.refCount;
    return true;
}

void ReleaseGdiplus() {
    // An unbalanced release must not drive the count negative and shut down a later start-up.
    if (runtime.refCount <= 0) {
        return;
    }
    if (--runtime.refCount == 0) {
        Gdiplus::GdiplusShutdown(runtime.token);
        runtime.token = 0;
    }
}

std::int32_t GdiplusAcquisitionCount() {
    return runtime.refCount;
}
