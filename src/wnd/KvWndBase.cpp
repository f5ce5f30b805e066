#include "KvWndBase.h"

#include "WindowRegistry.h"

// Registration is the last step, so the registry never sees a half-built base. If it throws,
// the exception leaves the constructor and the members built so far are destroyed.
KvWndBase::KvWndBase() {
    WindowRegistry::Process().Register(this);
}

// Called when the object goes away, with or without a window. The handle is cleared before
// DestroyWindow, so the messages that it sends find no object and go to DefWindowProcW: no hook
// runs on an object whose subclass parts are already gone.
KvWndBase::~KvWndBase() {
    if (hwnd != nullptr) {
        HWND window = hwnd;
        hwnd = nullptr;
        DestroyWindow(window);
    }
    backBuffer.Release();
    WindowRegistry::Process().Unregister(this);
}

HWND KvWndBase::GetHwnd() const {
    return hwnd;
}

void KvWndBase::SetMinTrackSize(int cx, int cy) {
    minTrackWidth = cx;
    minTrackHeight = cy;
}

bool KvWndBase::ShouldStopTimerOne() const {
    return true;
}

bool KvWndBase::HandlesPaintItself() const {
    return false;
}

bool KvWndBase::IsDoubleBuffered() const {
    return true;
}

bool KvWndBase::HasSecondBuffer() const {
    return false;
}
