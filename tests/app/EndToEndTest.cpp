// The built game under Wine on an X display, watched from this second process: its window as
// the system sees it, and a game played with real X input, seen in the window's pixels.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameProcess.h"
#include "Polling.h"

namespace {

constexpr wchar_t Title[] = L"下落方块 （1.0）:";
constexpr int WindowSize = 650;
// The game's X window, as xdotool finds it: Wine names the class after the program.
constexpr char GameWindowSearch[] = "search --sync --onlyvisible --class kvblocks.exe";
// Limits for waiting on the game; generous, since the machine may be busy with other tests.
constexpr DWORD StartLimit = 90000;
constexpr DWORD ChangeLimit = 20000;
// A piece needs 18 fall ticks of 600 ms to cross the well at the easy level; a drop does it at
// once.
constexpr DWORD FallLimit = 30000;

// Runs xdotool as a Unix program (Wine starts those too) and waits for it. Its exit code does
// not come back through Wine, so callers check the effect instead.
void Xdotool(const std::string& arguments) {
    std::wstring commandLine = L"/usr/bin/xdotool ";
    commandLine.append(arguments.begin(), arguments.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, ChangeLimit);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "xdotool cannot be started";
    }
}

// Presses keys in the game's window, focused first as a player's click would.
void PressKeys(const std::string& keys) {
    Xdotool(std::string(GameWindowSearch) + " windowfocus --sync key " + keys);
}

// Closes the game's window with Alt+F4, as a player would.
void CloseWithAltF4() {
    Xdotool(std::string(GameWindowSearch) + " windowfocus --sync keydown Alt_L key F4 keyup Alt_L");
}

RECT ClientRectOf(HWND child, HWND parent) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsRed(COLORREF c) {
    return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100;
}
bool IsDark(COLORREF c) {
    return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
}
constexpr COLORREF FrameColour = RGB(27, 27, 27);
constexpr COLORREF White = RGB(255, 255, 255);

// The game's client area as it stands on the screen, read back through the screen's DC.
class Screenshot {
  public:
    explicit Screenshot(HWND window) {
        RECT client = {};
        GetClientRect(window, &client);
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        width_ = client.right;
        height_ = client.bottom;
        pixels_.assign(static_cast<size_t>(width_) * height_, 0);

        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const auto* row = static_cast<const DWORD*>(bits);
        for (size_t i = 0; i < pixels_.size(); ++i) {
            const DWORD bgr = row[i];
            pixels_[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return CLR_INVALID;
        }
        return pixels_[static_cast<size_t>(y) * width_ + x];
    }

    int Count(const RECT& area, bool (*test)(COLORREF)) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                count += test(At(x, y)) ? 1 : 0;
            }
        }
        return count;
    }

    // Returns the bounding box of the red pixels in `area`, empty when there are none.
    RECT RedBox(const RECT& area) const {
        RECT box = {area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (IsRed(At(x, y))) {
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
            }
        }
        return IsRectEmpty(&box) ? RECT{0, 0, 0, 0} : box;
    }

    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// Where the board stands, found from its frame's pixels, and its cell pitch.
struct Board {
    RECT frame;  // the frame's own pixels: left and top, right and bottom inclusive
    int pitch;

    RECT Inside() const { return {frame.left + 1, frame.top + 1, frame.right, frame.bottom}; }
    // The centre of a cell of the bottom row.
    POINT BottomCellCentre(int column) const {
        return {frame.left + 1 + column * pitch + pitch / 2, frame.bottom - pitch / 2};
    }
};

// Finds the frame left of `panelLeft`, scanning across the middle and down a column inside it.
bool FindBoard(const Screenshot& shot, int panelLeft, Board& board) {
    const int middle = shot.Height() / 2;
    int left = -1;
    int right = -1;
    for (int x = 0; x < panelLeft; ++x) {
        if (shot.At(x, middle) == FrameColour) {
            left = left < 0 ? x : left;
            right = x;
        }
    }
    if (left < 0 || right - left < 100) {
        return false;
    }
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < shot.Height(); ++y) {
        if (shot.At(left + 3, y) == FrameColour) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    board = {{left, top, right, bottom}, (right - left) / 10};
    return top >= 0 && bottom - top > 100;
}

// The window's parts that the checks below read, found from its controls.
struct GameView {
    HWND window;
    HWND comboBox;
    HWND button;
    RECT panel;  // from the button's place: 30 pixels from the panel's left, 90 from its top

    // The band at the panel's bottom where the status line stands.
    RECT StatusBand(int clientHeight) const {
        const LONG bottom = std::min<LONG>(panel.bottom, clientHeight);
        return {panel.left, bottom - 24, panel.right, bottom};
    }
};

GameView ViewOf(HWND window) {
    GameView view = {window,
                     FindWindowExW(window, nullptr, L"ComboBox", nullptr),
                     FindWindowExW(window, nullptr, L"Button", nullptr),
                     {}};
    const RECT button = ClientRectOf(view.button, window);
    view.panel = {button.left - 30, button.top - 90, button.left - 30 + 250, button.top - 90 + 570};
    return view;
}

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "needs an X display";
        }
        ASSERT_TRUE(game.Started()) << "cannot start the game";
        window = game.WaitForWindows(StartLimit).main;
        ASSERT_NE(window, nullptr) << "the game's window did not appear";
        view = ViewOf(window);
        ASSERT_NE(view.comboBox, nullptr);
        ASSERT_NE(view.button, nullptr);
    }

    // Clicks the start/stop button with the X pointer.
    void ClickButton() {
        RECT button = {};
        GetWindowRect(view.button, &button);
        Xdotool("mousemove --sync " + std::to_string((button.left + button.right) / 2) + " " +
                std::to_string((button.top + button.bottom) / 2) + " click 1");
    }

    // Returns the falling piece's red box on the board, empty when there is none.
    RECT PieceBox(const Screenshot& shot) const { return shot.RedBox(board.Inside()); }

    GameProcess game{KV_GAME_PROGRAM};
    FaultWatch watch{game, "the game played with real input"};
    HWND window = nullptr;
    GameView view = {};
    Board board = {};
};

}  // namespace

TEST_F(EndToEndTest, WindowShowsTitleSizePlaceAndDifficulties) {
    EXPECT_EQ(WindowText(window), Title);
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, WindowSize);
    EXPECT_EQ(rect.bottom - rect.top, WindowSize);
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(rect.left, (area.right - area.left - WindowSize) / 2);
    EXPECT_EQ(rect.top, (area.bottom - area.top - WindowSize) / 2);

    // The system keeps the window at its minimum tracking size.
    SetWindowPos(window, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, WindowSize);
    EXPECT_EQ(rect.bottom - rect.top, WindowSize);

    ASSERT_EQ(SendMessageW(view.comboBox, CB_GETCOUNT, 0, 0), 3);
    const wchar_t* const texts[] = {L"容易", L"正常", L"困难"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[16] = {};
        SendMessageW(view.comboBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, texts[i]);
        EXPECT_EQ(SendMessageW(view.comboBox, CB_GETITEMDATA, i, 0), i + 1);
    }
    EXPECT_EQ(SendMessageW(view.comboBox, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(WindowText(view.button), L"开始游戏");

    CloseWithAltF4();
    EXPECT_EQ(game.WaitForExit(ChangeLimit), 0);
}

TEST_F(EndToEndTest, GameIsPlayedWithRealInputAndClosedWithAltF4) {
    // Start with the button: the controls take their in-game form and a piece appears.
    ClickButton();
    ASSERT_TRUE(PollUntil(
        [&] { return WindowText(view.button) == L"停止游戏" && !IsWindowEnabled(view.comboBox); },
        ChangeLimit));
    ASSERT_TRUE(PollUntil([&] { return FindBoard(Screenshot(window), view.panel.left, board); },
                          ChangeLimit));
    RECT piece = {};
    ASSERT_TRUE(PollUntil(
        [&] {
            piece = PieceBox(Screenshot(window));
            return !IsRectEmpty(&piece);
        },
        ChangeLimit));

    // Left arrow: the piece moves one cell to the left while it falls.
    PressKeys("Left");
    RECT moved = {};
    EXPECT_TRUE(PollUntil(
        [&] {
            moved = PieceBox(Screenshot(window));
            return !IsRectEmpty(&moved) && moved.left == piece.left - board.pitch;
        },
        ChangeLimit))
        << "piece at x " << piece.left << ", then " << moved.left << ", pitch " << board.pitch;

    // Down arrow: the piece reaches the floor at once. A piece that merely fell would be seen on
    // its way down, between where it was and the floor.
    const RECT before = PieceBox(Screenshot(window));
    const RECT inside = board.Inside();
    PressKeys("Down");
    bool seenOnItsWay = false;
    const bool dropped = PollUntil(
        [&] {
            const Screenshot shot(window);
            const RECT box = PieceBox(shot);
            if (!IsRectEmpty(&box) && box.top >= before.top + 2 * board.pitch &&
                box.bottom <= inside.bottom - 2 * board.pitch) {
                seenOnItsWay = true;
            }
            const bool onFloor = !IsRectEmpty(&box) && box.bottom >= inside.bottom - 2;
            bool landed = false;
            for (int column = 0; column < 10; ++column) {
                const POINT centre = board.BottomCellCentre(column);
                const COLORREF colour = shot.At(centre.x, centre.y);
                landed = landed || (colour != White && !IsRed(colour));
            }
            return onFloor || landed;
        },
        FallLimit);
    EXPECT_TRUE(dropped);
    EXPECT_FALSE(seenOnItsWay) << "the piece fell instead of dropping";

    // Up arrow pauses: the status line turns red; again resumes: it turns black.
    const RECT status = view.StatusBand(Screenshot(window).Height());
    PressKeys("Up");
    EXPECT_TRUE(
        PollUntil([&] { return Screenshot(window).Count(status, IsRed) > 0; }, ChangeLimit));
    PressKeys("Up");
    EXPECT_TRUE(PollUntil(
        [&] {
            const Screenshot shot(window);
            return shot.Count(status, IsRed) == 0 && shot.Count(status, IsDark) > 0;
        },
        ChangeLimit));

    // Alt+F4 during the game ends the program at once, successfully.
    EXPECT_EQ(WindowText(view.button), L"停止游戏");
    CloseWithAltF4();
    EXPECT_EQ(game.WaitForExit(ChangeLimit), 0);
}
