#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ModuleInstance.h"
#include "WindowTestSupport.h"

namespace {

std::wstring ClassNameOf(HWND hwnd) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    return name;
}

TEST(KvWndCreate, NamesOneClassPerClassStyle) {
    const struct {
        UINT classStyle;
        const wchar_t* className;
    } cases[] = {
        {0xB, L"_Pmw_KvWnd2_classCtyle:B_"},
        {0x2A, L"_Pmw_KvWnd2_classCtyle:2A_"},
        {0x20008, L"_Pmw_KvWnd2_classCtyle:20008_"},
    };
    for (const auto& entry : cases) {
        RecordingWindow window;
        ASSERT_TRUE(window.Create(entry.classStyle, WS_POPUP, 0, nullptr, nullptr));
        EXPECT_EQ(entry.className, ClassNameOf(window.GetHwnd()));
        EXPECT_EQ(entry.classStyle, GetClassLongW(window.GetHwnd(), GCL_STYLE));
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(&KvWnd::StaticWndProc),
                  GetClassLongPtrW(window.GetHwnd(), GCLP_WNDPROC));
    }
}

TEST(KvWndCreate, WindowsOfOneClassStyleShareTheClassAndASecondCreateOfAnObjectFails) {
    RecordingWindow first;
    RecordingWindow second;
    ASSERT_TRUE(first.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    ASSERT_TRUE(second.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    EXPECT_NE(first.GetHwnd(), second.GetHwnd());
    EXPECT_EQ(GetClassLongW(first.GetHwnd(), GCW_ATOM), GetClassLongW(second.GetHwnd(), GCW_ATOM));

    const HWND hwnd = first.GetHwnd();
    EXPECT_FALSE(first.Create(0x2A, WS_POPUP, 0, nullptr, nullptr));
    EXPECT_EQ(hwnd, first.GetHwnd());
    EXPECT_EQ(1, first.Count(WM_NCCREATE));
}

// What the child does with its background is seen in its pixels, in KvWndPaint.
TEST(KvWndCreate, CreateChildNeedsAParentAndMakesAHiddenBorderlessChild) {
    RecordingWindow child;
    EXPECT_FALSE(child.CreateChild(nullptr, nullptr));
    EXPECT_EQ(nullptr, child.GetHwnd());
    EXPECT_EQ(0, child.Count(WM_NCCREATE));

    RecordingWindow parent;
    ASSERT_TRUE(parent.CreateAt(0, 0, 100, 100));
    HDC background = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(child.CreateChild(parent.GetHwnd(), background));
    const LONG style = GetWindowLongW(child.GetHwnd(), GWL_STYLE);
    EXPECT_EQ(WS_CHILD, style & (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CAPTION));
    EXPECT_EQ(parent.GetHwnd(), GetParent(child.GetHwnd()));
    EXPECT_EQ(parent.GetHwnd(), child.ParentHwnd());
    EXPECT_EQ(L"_Pmw_KvWnd2_classCtyle:B_", ClassNameOf(child.GetHwnd()));
    DeleteDC(background);
}

TEST(KvWndCreate, AFrameworkClassWindowWithoutAnObjectIsRefused) {
    RecordingWindow registersTheClass;
    ASSERT_TRUE(registersTheClass.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    HWND orphan = CreateWindowExW(0, L"_Pmw_KvWnd2_classCtyle:B_", L"", WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, moduleInstance(), nullptr);
    EXPECT_EQ(nullptr, orphan);
}

// HandleMessage answering FALSE or throwing std::bad_alloc, which must stop in the window
// procedure, fails the creation; the object can be created afresh.
TEST(KvWndCreate, NcCreateSeesTheHandleAndAFalseAnswerOrAThrowFailsTheCreation) {
    for (bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "answers FALSE");
        RecordingWindow window;
        window.throwOn = throws ? WM_NCCREATE : 0;  // a throw comes before the answer
        window.answers[WM_NCCREATE] = FALSE;
        EXPECT_FALSE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
        EXPECT_EQ(nullptr, window.GetHwnd());
        ASSERT_EQ(1, window.Count(WM_NCCREATE));
        EXPECT_NE(nullptr, window.log->front().hwndAtCall);
        EXPECT_FALSE(IsWindow(window.log->front().hwndAtCall));

        window.answers.clear();
        window.throwOn = 0;
        EXPECT_TRUE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    }
}

TEST(KvWndCreate, CreateSeesACopyOfTheCreationRecord) {
    RecordingWindow window;
    ASSERT_TRUE(window.Create(0xB, WS_POPUP | WS_DISABLED, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<KvWnd*>(&window), window.createSeen.lpCreateParams);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_DISABLED), window.createSeen.style);
    EXPECT_EQ(moduleInstance(), window.createSeen.hInstance);
    LPARAM ncCreateRecord = 0;
    LPARAM createRecord = 0;
    for (const RecordedMessage& entry : *window.log) {
        ncCreateRecord = entry.message == WM_NCCREATE ? entry.lParam : ncCreateRecord;
        createRecord = entry.message == WM_CREATE ? entry.lParam : createRecord;
    }
    EXPECT_NE(ncCreateRecord, createRecord);
}

TEST(KvWndCreate, MinusOneOrAThrowFromCreateFailsTheCreationAndFreesTheBuffers) {
    for (bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "answers -1");
        RecordingWindow window;
        window.secondBuffer = true;
        window.throwOn = throws ? WM_CREATE : 0;  // a throw comes before the answer
        window.answers[WM_CREATE] = -1;
        EXPECT_FALSE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
        EXPECT_EQ(nullptr, window.GetHwnd());
        ASSERT_NE(nullptr, window.backBufferAtCreate);
        ASSERT_NE(nullptr, window.secondBufferAtCreate);
        EXPECT_EQ(0u, GetObjectType(window.backBufferAtCreate));
        EXPECT_EQ(0u, GetObjectType(window.secondBufferAtCreate));
        EXPECT_EQ(nullptr, window.BackBuffer());
        EXPECT_EQ(nullptr, window.SecondBuffer());
    }
}

// The system sends only WM_NCDESTROY for a window whose creation fails after WM_NCCREATE; the
// subclass must still get the WM_DESTROY that releases what it acquired at WM_CREATE.
TEST(KvWndCreate, AFailedCreationStillDeliversWmDestroyOnceAndForgetsTheHandle) {
    RecordingWindow window;
    window.answers[WM_CREATE] = -1;
    ASSERT_FALSE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    ASSERT_EQ(1, window.Count(WM_CREATE));
    EXPECT_EQ(1, window.Count(WM_DESTROY));
    EXPECT_EQ(0, window.Count(WM_NCDESTROY)) << "WM_NCDESTROY belongs to the default processing";
    const HWND handle = window.log->back().hwndAtCall;
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(nullptr, WindowRegistry::Process().FindByHwnd(handle));

    // The object is back where it started: a second creation works and is destroyed normally.
    window.answers.erase(WM_CREATE);
    ASSERT_TRUE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    DestroyWindow(window.GetHwnd());
    EXPECT_EQ(2, window.Count(WM_DESTROY));
}

TEST(KvWndDestroy, DeletingAnObjectDestroysItsWindowWithoutRunningAnyHook) {
    auto window = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(window->CreateAt(0, 0, 50, 40));
    HWND hwnd = window->GetHwnd();
    HDC backBuffer = window->BackBuffer();
    auto log = window->log;
    const std::size_t before = log->size();
    window.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(before, log->size());
    EXPECT_EQ(0u, GetObjectType(backBuffer));
}

// A throw from HandleMessage at WM_DESTROY must not keep the framework from ending the window.
TEST(KvWndDestroy, AfterWmDestroyEvenWhenItThrowsTheObjectLivesOnWithoutItsWindowAndBuffer) {
    for (bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "returns");
        RecordingWindow window;
        ASSERT_TRUE(window.CreateAt(0, 0, 50, 40));
        HWND hwnd = window.GetHwnd();
        HDC backBuffer = window.BackBuffer();
        window.throwOn = throws ? WM_DESTROY : 0;
        DestroyWindow(hwnd);
        EXPECT_EQ(1, window.Count(WM_DESTROY));
        EXPECT_EQ(hwnd, window.log->back().hwndAtCall);
        EXPECT_EQ(0, window.Count(WM_NCDESTROY)) << "later messages go to the default processing";
        EXPECT_EQ(nullptr, window.GetHwnd());
        EXPECT_EQ(0u, GetObjectType(backBuffer));
        EXPECT_EQ(nullptr, WindowRegistry::Process().FindByHwnd(hwnd));
        window.throwOn = 0;
        EXPECT_TRUE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    }
}

// A window that makes a framework child while it is created, and sizes it, so that the child
// has its buffers.
class ParentOfSizedChild : public RecordingWindow {
  public:
    RecordingWindow child;
    HDC childBuffer = nullptr;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE && child.CreateChild(hwnd, nullptr)) {
            MoveWindow(child.GetHwnd(), 0, 0, 30, 20, FALSE);
            childBuffer = child.BackBuffer();
        }
        return RecordingWindow::HandleMessage(message, wParam, lParam);
    }
};

// When a creation fails, the children made meanwhile go with their parent and get WM_NCDESTROY
// alone; the framework delivers their WM_DESTROY itself. A throw there must still leave the
// child object without its dead handle and its buffers, as a normal destruction would.
TEST(KvWndExceptions, AThrowAtTheDestroyThatTheFrameworkDeliversStillEndsTheWindow) {
    ParentOfSizedChild parent;
    parent.answers[WM_CREATE] = -1;
    parent.child.throwOn = WM_DESTROY;
    EXPECT_FALSE(parent.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    ASSERT_NE(nullptr, parent.childBuffer);
    EXPECT_EQ(1, parent.child.Count(WM_DESTROY));
    EXPECT_EQ(nullptr, parent.child.GetHwnd());
    EXPECT_EQ(nullptr, parent.child.BackBuffer());
    EXPECT_EQ(0u, GetObjectType(parent.childBuffer));
}

TEST(KvWndExceptions, AThrowElsewhereGetsTheDefaultAnswerAndTheWindowGoesOn) {
    RecordingWindow window;
    ASSERT_TRUE(window.CreateAt(0, 0, 50, 40));
    window.throwOn = WM_PAINT;
    window.paintsItself = true;
    ShowWindow(window.GetHwnd(), SW_SHOWNOACTIVATE);
    InvalidateRect(window.GetHwnd(), nullptr, FALSE);
    UpdateWindow(window.GetHwnd());
    EXPECT_FALSE(GetUpdateRect(window.GetHwnd(), nullptr, FALSE)) << "WM_PAINT left unvalidated";
    window.answers[WM_USER + 1] = 42;
    EXPECT_EQ(42, SendMessageW(window.GetHwnd(), WM_USER + 1, 0, 0));
}

}  // namespace
