#include "MainWindowWatch.h"

#include <cwchar>

namespace MainWindowWatch {
namespace {

// The main window's class: the framework's, registered for class style 11.
constexpr wchar_t MainWindowClass[] = L"_Pmw_KvWnd2_classCtyle:B_";

struct Watcher {
    WNDPROC procedure;
    WNDPROC* next;
};

Watcher watchers[2];
int watcherCount = 0;
HHOOK creationHook = nullptr;

bool IsMainWindow(HWND window, const CBT_CREATEWNDW& creation) {
    wchar_t name[64] = {};
    return creation.lpcs->hwndParent == nullptr && GetClassNameW(window, name, 64) > 0 &&
           std::wcscmp(name, MainWindowClass) == 0;
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = creationHook;
    if (code == HCBT_CREATEWND) {
        auto* window = reinterpret_cast<HWND>(wParam);
        if (IsMainWindow(window, *reinterpret_cast<const CBT_CREATEWNDW*>(lParam))) {
            for (int i = 0; i < watcherCount; ++i) {
                *watchers[i].next = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                    window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchers[i].procedure)));
            }
            UnhookWindowsHookEx(creationHook);
            creationHook = nullptr;
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

void Watch(WNDPROC procedure, WNDPROC* next) {
    if (watcherCount == static_cast<int>(sizeof watchers / sizeof watchers[0])) {
        return;
    }
    watchers[watcherCount++] = Watcher{procedure, next};
    if (creationHook == nullptr) {
        creationHook = SetWindowsHookExW(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
    }
}

}  // namespace MainWindowWatch
