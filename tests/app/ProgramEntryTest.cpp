// The program's run: creation failure, the window's size, minimum size and place, the loop's end
// on close, a program without the game's resources, and the game started from a long path.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include "AppContext.h"
#include "FontCache.h"
#include "GameProcess.h"
#include "ImageStore.h"
#include "MainWindowFixture.h"
#include "PenCache.h"
#include "Polling.h"
#include "ProgramEntry.h"
#include "TestFiles.h"

namespace {

// A main window whose creation fails at WM_CREATE: refused at once, or after the window has filled
// the context and made the controls, as when the system cannot finish a window it has begun.
class FailingMainWnd : public KvMainWnd {
  public:
    explicit FailingMainWnd(bool afterCreate) : afterCreate_(afterCreate) {}

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_CREATE) {
            return KvMainWnd::HandleMessage(message, wParam, lParam);
        }
        if (afterCreate_) {
            KvMainWnd::HandleMessage(message, wParam, lParam);
            contextFilledAtCreate = GetAppContext().moduleHandle != nullptr;
        }
        return -1;
    }

    bool contextFilledAtCreate = false;

  private:
    bool afterCreate_;
};

// ntdll's start of a process, through the NT form of the program's path. Wine 8's CreateProcessW
// copies the path into MAX_PATH characters and so does not find a program at a longer "\\?\"
// path (error 2); its ntdll takes the path whole.
extern "C" NTSTATUS NTAPI RtlCreateProcessParameters(
    RTL_USER_PROCESS_PARAMETERS** parameters, UNICODE_STRING* image, UNICODE_STRING* dlls,
    UNICODE_STRING* directory, UNICODE_STRING* commandLine, void* environment,
    UNICODE_STRING* title, UNICODE_STRING* desktop, UNICODE_STRING* shell, UNICODE_STRING* runtime);
extern "C" NTSTATUS NTAPI RtlDestroyProcessParameters(RTL_USER_PROCESS_PARAMETERS* parameters);
struct StartedProcess {
    ULONG size;
    HANDLE process;
    HANDLE thread;
    CLIENT_ID ids;
    BYTE image[64];  // what the system read of the program's image: 48 or 64 bytes
};
extern "C" NTSTATUS NTAPI RtlCreateUserProcess(UNICODE_STRING* path, ULONG attributes,
                                               RTL_USER_PROCESS_PARAMETERS* parameters,
                                               void* processSecurity, void* threadSecurity,
                                               HANDLE parent, BOOLEAN inherit, HANDLE debugPort,
                                               HANDLE token, StartedProcess* started);

// Starts the program at `path` with this process's environment and folder; the process handle
// is null when it could not be started.
StartedProcess StartThroughNtdll(const std::wstring& path) {
    StartedProcess started = {sizeof started, nullptr, nullptr, {}, {}};
    const std::wstring line = L"\"" + path + L"\"";
    UNICODE_STRING image, commandLine, ntPath;
    RtlInitUnicodeString(&image, path.c_str());
    RtlInitUnicodeString(&commandLine, line.c_str());
    RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
    if (RtlCreateProcessParameters(&parameters, &image, nullptr, nullptr, &commandLine, nullptr,
                                   nullptr, nullptr, nullptr, nullptr) != 0) {
        return started;
    }
    if (RtlDosPathNameToNtPathName_U(path.c_str(), &ntPath, nullptr, nullptr)) {
        if (RtlCreateUserProcess(&ntPath, OBJ_CASE_INSENSITIVE, parameters, nullptr, nullptr,
                                 nullptr, FALSE, nullptr, nullptr, &started) == 0) {
            ResumeThread(started.thread);
            CloseHandle(started.thread);
        } else {
            started.process = nullptr;
        }
        RtlFreeUnicodeString(&ntPath);
    }
    RtlDestroyProcessParameters(parameters);
    return started;
}

// Sets *found to the first visible window, for EnumThreadWindows.
BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// What the process-wide pen and font caches and the picture store hold now, to show that a run
// left nothing in them.
std::tuple<std::size_t, std::size_t, std::size_t> ProcessWideEntries() {
    return {PenCache::Instance().EntryCount(), FontCache::Instance().EntryCount(),
            ImageStore::EntryCount()};
}

}  // namespace

// Entering the message loop would wait for good. Nothing may be left for exit to release: the
// caches and the store may be gone by then.
TEST(ProgramEntryTest, FailedCreationEndsRunWithStatusOneAndEmptiesTheContext) {
    for (const bool afterCreate : {false, true}) {
        SCOPED_TRACE(afterCreate ? "failing after WM_CREATE" : "refused at WM_CREATE");
        const auto before = ProcessWideEntries();
        {
            FailingMainWnd window(afterCreate);
            EXPECT_EQ(RunGame(window), 1);
            ASSERT_EQ(window.contextFilledAtCreate, afterCreate);
        }
        const AppContext& context = GetAppContext();
        EXPECT_EQ(context.moduleHandle, nullptr);
        EXPECT_EQ(ProcessWideEntries(), before);
        EXPECT_EQ(context.blockImage.StoreId(), 0u);
        EXPECT_EQ(context.pieceImage.StoreId(), 0u);
        MSG quit;
        EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            << "a quit message left behind would end the next message loop at once";
    }
}

// When the message loop fails, the main window object goes while its window is still there: the
// window must be destroyed through its own WM_DESTROY, which empties the context, or exit would
// find pens, fonts and pictures in a context whose caches may be gone.
TEST(ProgramEntryTest, MainWindowObjectGoingFirstDestroysItsWindowAndEmptiesTheContext) {
    const auto before = ProcessWideEntries();
    HWND hwnd = nullptr;
    {
        KvMainWnd window;
        ASSERT_TRUE(window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
                                  nullptr, nullptr));
        hwnd = window.GetHwnd();
        ASSERT_NE(GetAppContext().moduleHandle, nullptr);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(GetAppContext().moduleHandle, nullptr);
    EXPECT_EQ(ProcessWideEntries(), before);
    EXPECT_EQ(TakeQuitMessage(), 0) << "the window's WM_DESTROY posts the quit message";
}

TEST(ProgramEntryTest, RunShowsCentredWindowAndEndsWhenClosed) {
    ClosingMainWnd window;
    ASSERT_EQ(RunGame(window), 0);
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_TRUE(window.visibleAtClose);
    EXPECT_EQ(window.titleAtClose, GameTitle());
    const RECT& rect = window.rectAtClose;
    EXPECT_EQ(rect.right - rect.left, 650);
    EXPECT_EQ(rect.bottom - rect.top, 650);
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(rect.left, (area.right - area.left - 650) / 2);
    EXPECT_EQ(rect.top, (area.bottom - area.top - 650) / 2);
    EXPECT_EQ(window.MinTrackWidth(), 650);
    EXPECT_EQ(window.MinTrackHeight(), 650);
    EXPECT_EQ(window.state, GameState::Idle);
}

// Windows takes the first show state from the launcher, whatever the program asks, and restores
// a window shown minimised or maximised to its normal place; Wine shows the window as asked, so
// each show state stands in for the launcher's here. On a work area lower than the window (as
// 1366 × 768 at 125 % gives), centring alone put the title bar above the screen, where the
// restored window could not be dragged. Its origin is the screen's, where the placement's
// workspace coordinates and screen coordinates agree.
TEST(ProgramEntryTest, TheNormalPlaceLiesOnTheWorkAreaWhateverTheFirstShowState) {
    RECT saved = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved, 0));
    RECT low = {0, 0, saved.right, 574};
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &low, 0));
    for (const int show : {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE}) {
        SCOPED_TRACE("show state " + std::to_string(show));
        TestMainWnd window;
        ASSERT_TRUE(PrepareMainWindow(window));
        ShowWindow(window.GetHwnd(), show);
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        ASSERT_TRUE(GetWindowPlacement(window.GetHwnd(), &placement));
        const RECT& normal = placement.rcNormalPosition;
        EXPECT_EQ(normal.right - normal.left, 650);
        EXPECT_EQ(normal.top, 0) << "the title bar is off the work area";
        EXPECT_GE(normal.left, 0);
        EXPECT_LE(normal.right, low.right);
        DestroyWindow(window.GetHwnd());
        TakeQuitMessage();
    }
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved, 0);
}

TEST(ProgramEntryTest, ProgramWithoutTranslationOrPicturesRunsWithEmptyTitle) {
    // The fixture reports 10 plus its title's length after playing a landing without pictures.
    GameProcess fixture(SiblingPath(L"game_fixture_plain.exe"), L"", true, {});
    ASSERT_TRUE(fixture.Started());
    EXPECT_EQ(fixture.WaitForExit(60000), 10);
    EXPECT_EQ(fixture.FaultSigns(), "");
}

// Started through a "\\?\" path longer than MAX_PATH, the game reads its whole path, and through
// it the version record that its title is made from.
TEST(ProgramEntryTest, GameStartedThroughAPathLongerThanMaxPathShowsItsFullTitle) {
    const TemporaryFolder folder;
    const std::wstring longFolder = L"\\\\?\\" + folder.PathOf(std::wstring(250, L'd')).Text();
    const std::wstring program = longFolder + L"\\kvblocks.exe";
    ASSERT_GT(program.length(), std::size_t{MAX_PATH} + 4);
    ASSERT_TRUE(CreateDirectoryW(longFolder.c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileW(GameProcess::WindowsPath(KV_GAME_PROGRAM).c_str(), program.c_str(), TRUE));

    const StartedProcess game = StartThroughNtdll(program);
    ASSERT_NE(game.process, nullptr);
    // A game that a failed check leaves running is ended (of one that has ended, nothing).
    const std::unique_ptr<void, void (*)(HANDLE)> ender(game.process, [](HANDLE process) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    });
    const auto thread = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(game.ids.UniqueThread));
    HWND window = nullptr;
    PollUntil(
        [&] {
            EnumThreadWindows(thread, FindVisibleWindow, reinterpret_cast<LPARAM>(&window));
            return window != nullptr || WaitForSingleObject(game.process, 0) == WAIT_OBJECT_0;
        },
        30000);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Utf8(WindowText(window)), Utf8(GameTitle()));
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD status = STILL_ACTIVE;
    EXPECT_EQ(WaitForSingleObject(game.process, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(game.process, &status);
    EXPECT_EQ(status, 0u);
    DeleteFileW(program.c_str());
    RemoveDirectoryW(longFolder.c_str());
}

// A queue that cannot be read ends the loop at once; dispatching the message left from before
// would repeat it for good. A window that does not exist makes GetMessageW answer -1.
TEST(ProgramEntryTest, MessageLoopEndsWhenTheQueueCannotBeRead) {
    HWND missing =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(missing, nullptr);
    DestroyWindow(missing);
    PostMessageW(nullptr, WM_USER, 0, 0);
    EXPECT_FALSE(RunMessageLoop(missing));

    PostQuitMessage(0);
    EXPECT_TRUE(RunMessageLoop()) << "the loop must still end normally on the quit message";
}
