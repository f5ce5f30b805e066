// The built game under Wine on an X display, watched from this second process: its window as
// the system sees it, a difficulty chosen and a game played with real X input, every key of the
// game and a key held until it repeats among it, seen in the window's pixels.
#include <algorithm>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameDriver.h"
#include "GameProcess.h"
#include "GameScreen.h"
#include "Polling.h"
#include "UnixCommand.h"

namespace {

constexpr int WindowSize = 650;
// Limits that catch a hang, never a speed: the machine may be busy with other tests.
constexpr DWORD StartLimit = 90000;
constexpr DWORD ChangeLimit = 20000;
// At most this many pieces go by before one that turns visibly falls.
constexpr int PiecesForATurn = 20;
// A piece that falls by itself comes down a row every 400 ms at the level played: between two
// shots of the window it cannot cover this many rows.
constexpr int DropRows = 5;

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "needs an X display: run it through tools/test.sh";
        ASSERT_TRUE(game.Started()) << "cannot start the game";
        windows = game.WaitForWindows(StartLimit);
        ASSERT_NE(windows.main, nullptr) << "the game's window did not appear";
    }

    // Runs an xdotool key command in the game's window, focused first as a player's click would.
    static void InGameWindow(const std::string& command) {
        EXPECT_TRUE(Xdotool(std::string(GameWindowSearch) + " windowfocus --sync " + command))
            << command;
    }
    static void PressKeys(const std::string& keys) { InGameWindow("key " + keys); }
    // Closes the game's window with Alt+F4, as a player would.
    static void CloseWithAltF4() { InGameWindow("keydown Alt_L key F4 keyup Alt_L"); }

    // Clicks a control with the X pointer in the middle of its top 20 pixels: the closed list's
    // own height.
    static void Click(HWND control) {
        RECT rect = {};
        GetWindowRect(control, &rect);
        EXPECT_TRUE(Xdotool("mousemove --sync " + std::to_string((rect.left + rect.right) / 2) +
                            " " + std::to_string(rect.top + 10) + " click 1"));
    }

    LRESULT ListAnswer(UINT message) const { return SendMessageW(windows.comboBox, message, 0, 0); }

    Surface Shot() const { return Surface::CaptureClient(windows.main); }

    // Returns the falling piece's red box on the board, empty when there is none.
    RECT PieceBox(const Surface& shot) const {
        const RECT inside = board.Inside();
        RECT box = {0, 0, 0, 0};
        for (int y = inside.top; y < inside.bottom; ++y) {
            for (int x = inside.left; x < inside.right; ++x) {
                const RECT pixel = {x, y, x + 1, y + 1};
                if (IsRed(shot.At(x, y))) {
                    UnionRect(&box, &box, &pixel);
                }
            }
        }
        return box;
    }

    // Returns the columns and rows of cells that a piece's box spans: the red pixels of a row of
    // cells are not quite as many as those of a column of as many cells.
    SIZE CellsOf(const RECT& box) const {
        return {(box.right - box.left + board.pitch / 2) / board.pitch,
                (box.bottom - box.top + board.pitch / 2) / board.pitch};
    }

    // The board's columns and rows of cells, and the colour at a cell's centre.
    int Columns() const { return CellsOf(board.Inside()).cx; }
    int Rows() const { return CellsOf(board.Inside()).cy; }
    COLORREF CellCentre(const Surface& shot, int column, int row) const {
        const RECT inside = board.Inside();
        return shot.At(inside.left + column * board.pitch + board.pitch / 2,
                       inside.top + row * board.pitch + board.pitch / 2);
    }

    // Returns how many rows the falling piece could still fall: the least room, column by column,
    // below its lowest cell down to a landed block or the floor; -1 without a falling piece.
    int FallRoom(const Surface& shot) const {
        int room = -1;
        for (int column = 0; column < Columns(); ++column) {
            int lowest = -1;
            for (int row = 0; row < Rows(); ++row) {
                lowest = IsRed(CellCentre(shot, column, row)) ? row : lowest;
            }
            if (lowest < 0) {
                continue;
            }
            int below = lowest + 1;
            while (below < Rows() && !IsLanded(CellCentre(shot, column, below))) {
                ++below;
            }
            room = room < 0 ? below - lowest - 1 : std::min(room, below - lowest - 1);
        }
        return room;
    }

    // Waits for a piece that has only just come, its top in the well's top rows, and returns its
    // box: the game is playing, and the piece, falling a row at a time, many seconds from the
    // floor.
    RECT WaitForNewPiece() const {
        const int topBelow = board.Inside().top + 3 * board.pitch;
        RECT piece = {};
        EXPECT_TRUE(PollUntil(
            [&] {
                piece = PieceBox(Shot());
                return !IsRectEmpty(&piece) && piece.top < topBelow;
            },
            ChangeLimit))
            << "no piece falls";
        return piece;
    }

    // Counts the board's cells whose centre shows a landed block.
    int LandedCells(const Surface& shot) const {
        int landed = 0;
        for (int row = 0; row < Rows(); ++row) {
            for (int column = 0; column < Columns(); ++column) {
                landed += IsLanded(CellCentre(shot, column, row)) ? 1 : 0;
            }
        }
        return landed;
    }

    bool StatusIsRed() const {
        return Shot().Count(Panel(windows.main).StatusBand(Shot().Height()), IsRed) > 0;
    }

    // Runs the xdotool key `command` at a new piece and pauses the game at once with W, so that
    // what the keys did stands still; returns the paused picture, then resumes. The piece's box
    // comes in `piece` and the cells landed before in `landedBefore`: a count that changed tells
    // that a piece landed in between.
    Surface PausedAfter(const std::string& command, RECT& piece, int& landedBefore) {
        piece = WaitForNewPiece();
        landedBefore = LandedCells(Shot());
        InGameWindow(command + " key w");
        EXPECT_TRUE(PollUntil([&] { return StatusIsRed(); }, ChangeLimit)) << "W did not pause";
        Surface paused = Shot();
        PressKeys("w");
        EXPECT_TRUE(PollUntil([&] { return !StatusIsRed(); }, ChangeLimit)) << "W did not resume";
        return paused;
    }

    // Presses a key that moves the piece sideways: the same piece, with nothing landed since,
    // stands `columns` cells from where it was.
    void ExpectMove(const char* key, int columns) {
        RECT before = {};
        int landedBefore = 0;
        const Surface paused = PausedAfter(std::string("key ") + key, before, landedBefore);
        const RECT after = PieceBox(paused);
        EXPECT_EQ(after.left, before.left + columns * board.pitch) << key << " did not move it";
        EXPECT_EQ(LandedCells(paused), landedBefore) << key << ": a piece landed meanwhile";
    }

    // Drops a new piece with `key`, watched shot by shot. A drop takes the piece at once from well
    // above its resting place to it, where a piece that falls by itself comes down a row a tick:
    // the piece must be seen at rest, or landed, straight after a shot that showed it with room
    // for several rows still.
    void ExpectDropWith(const char* key) {
        WaitForNewPiece();
        const Surface before = Shot();
        int room = FallRoom(before);
        const int landedBefore = LandedCells(before);
        ASSERT_GE(room, DropRows) << "a new piece has no room to be dropped";
        PressKeys(key);
        bool dropped = false;
        const bool settled = PollUntil(
            [&] {
                const Surface shot = Shot();
                const int now = FallRoom(shot);
                if (LandedCells(shot) != landedBefore || now == 0) {
                    dropped = room >= DropRows;
                    return true;
                }
                room = now < 0 ? room : now;
                return false;
            },
            ChangeLimit);
        EXPECT_TRUE(settled && dropped) << key << " did not drop the piece";
    }

    // A pixel of a landed block, or of the falling piece's bevelled edge.
    static bool IsLanded(COLORREF colour) { return IsCellColour(colour) && !IsRed(colour); }

    GameProcess game{KV_GAME_PROGRAM};
    FaultWatch watch{game, "the game played with real input"};
    GameWindows windows;
    Board board = {};
};

}  // namespace

TEST_F(EndToEndTest, WindowShowsTitleSizePlaceAndDifficulties) {
    EXPECT_EQ(WindowText(windows.main), GameTitle());
    RECT rect = {};
    GetWindowRect(windows.main, &rect);
    EXPECT_EQ(rect.right - rect.left, WindowSize);
    EXPECT_EQ(rect.bottom - rect.top, WindowSize);
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(rect.left, (area.right - area.left - WindowSize) / 2);
    EXPECT_EQ(rect.top, (area.bottom - area.top - WindowSize) / 2);

    // The system keeps the window at its minimum tracking size.
    SetWindowPos(windows.main, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(windows.main, &rect);
    EXPECT_EQ(rect.right - rect.left, WindowSize);
    EXPECT_EQ(rect.bottom - rect.top, WindowSize);

    const wchar_t* const levels[] = {L"容易", L"正常", L"困难"};
    ASSERT_EQ(SendMessageW(windows.comboBox, CB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t text[16] = {};
        SendMessageW(windows.comboBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, levels[i]);
        EXPECT_EQ(SendMessageW(windows.comboBox, CB_GETITEMDATA, i, 0), i + 1);
    }
    EXPECT_EQ(ListAnswer(CB_GETCURSEL), 0);
    EXPECT_EQ(WindowText(windows.button), L"开始游戏");

    CloseWithAltF4();
    EXPECT_EQ(game.WaitForExit(ChangeLimit), 0);
}

TEST_F(EndToEndTest, DifficultyListAndEveryKeyOfTheGameActWhenUsedForReal) {
    // A real click opens the list, a real key chooses the next item and Return closes the list.
    Click(windows.comboBox);
    ASSERT_TRUE(PollUntil([&] { return ListAnswer(CB_GETDROPPEDSTATE) != FALSE; }, ChangeLimit))
        << "a real click did not open the list";
    EXPECT_TRUE(Xdotool("key --delay 50 Down Return"));
    EXPECT_TRUE(PollUntil(
        [&] { return ListAnswer(CB_GETCURSEL) == 1 && ListAnswer(CB_GETDROPPEDSTATE) == FALSE; },
        ChangeLimit))
        << "real keys did not choose an item";

    // Start with the button: the controls take their in-game form and a piece appears.
    Click(windows.button);
    GameDriver driver(windows);
    ASSERT_TRUE(PollUntil(
        [&] { return WindowText(windows.button) == L"停止游戏" && driver.InGame(); }, ChangeLimit));
    ASSERT_TRUE(PollUntil([&] { return FindBoard(Shot(), Panel(windows.main).area.left, board); },
                          ChangeLimit));

    ExpectMove("Left", -1);
    ExpectMove("Right", 1);
    ExpectMove("a", -1);
    ExpectMove("d", 1);

    // Space turns a new piece where it stands, with room around it: its box takes the other
    // orientation. A piece whose box stays (the square) is dropped until one that turns comes.
    bool turned = false;
    for (int piece = 0; piece < PiecesForATurn && !turned; ++piece) {
        const RECT before = WaitForNewPiece();
        const SIZE cells = CellsOf(before);
        if (cells.cx == cells.cy) {
            ExpectDropWith("Down");
            continue;
        }
        PressKeys("space");
        turned = PollUntil(
            [&] {
                const SIZE now = CellsOf(PieceBox(Shot()));
                return now.cx == cells.cy && now.cy == cells.cx;
            },
            ChangeLimit);
        EXPECT_TRUE(turned) << "space did not turn the piece";
    }
    EXPECT_TRUE(turned) << "no piece that turns came";

    // Held down, Left repeats: the same piece moves more than one column, which a single press
    // does not.
    RECT held = {};
    int landedBefore = 0;
    const Surface paused = PausedAfter("keydown Left sleep 1.0 keyup Left", held, landedBefore);
    EXPECT_LE(PieceBox(paused).left, held.left - 2 * board.pitch)
        << "Left held down did not repeat";
    EXPECT_EQ(LandedCells(paused), landedBefore) << "a piece landed while Left was held";

    // The drop keys take the piece to the floor at once; Up pauses a falling piece, shown in red,
    // and resumes.
    ExpectDropWith("Down");
    ExpectDropWith("s");
    WaitForNewPiece();
    PressKeys("Up");
    EXPECT_TRUE(PollUntil([&] { return StatusIsRed(); }, ChangeLimit)) << "Up did not pause";
    PressKeys("Up");
    EXPECT_TRUE(PollUntil([&] { return !StatusIsRed(); }, ChangeLimit)) << "Up did not resume";

    // Alt+F4 during the game ends the program at once, successfully.
    EXPECT_TRUE(driver.InGame());
    CloseWithAltF4();
    EXPECT_EQ(game.WaitForExit(ChangeLimit), 0);
}
