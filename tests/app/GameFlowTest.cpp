// The game's flow in the real main window: the state table, the difficulty, the keys, the
// button, repaint requests and closing, driven by the messages the system would send.
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "MainWindowFixture.h"
#include "RecordingRules.h"

namespace {

using Timers = std::map<UINT_PTR, UINT>;

// What the player can see and what drives the game after one event.
struct Outcome {
    GameState state;
    const wchar_t* caption;
    bool comboEnabled;
    const wchar_t* status;
    bool paused;
    Timers timers;
};

struct Transition {
    const char* name;
    std::function<void(MainWindowTest&)> reachFrom;
    std::function<void(MainWindowTest&)> event;
    Outcome outcome;
};

constexpr UINT_PTR Start = KvMainWnd::StartDelayTimer;
constexpr UINT_PTR Fall = KvMainWnd::FallTimer;
constexpr UINT_PTR Spawn = KvMainWnd::SpawnTimer;
constexpr UINT_PTR Over = KvMainWnd::GameOverTimer;

void Nothing(MainWindowTest&) {}
void Click(MainWindowTest& t) {
    t.ClickButton();
}
void Play(MainWindowTest& t) {
    t.StartPlaying();
}
void PlayAndDrop(MainWindowTest& t) {
    t.StartPlaying();
    t.PressKey(VK_DOWN);
}
void Land(MainWindowTest& t) {
    t.StartPlaying();
    t.LandPiece();
}
void Pause(MainWindowTest& t) {
    t.StartPlaying();
    t.PressKey(VK_UP);
}
void PauseAndStop(MainWindowTest& t) {
    Pause(t);
    t.ClickButton();
}
void PlayAndStop(MainWindowTest& t) {
    t.StartPlaying();
    t.ClickButton();
}
void Lose(MainWindowTest& t) {
    t.LoseGame();
}
std::function<void(MainWindowTest&)> Fire(UINT_PTR timer) {
    return [timer](MainWindowTest& t) { t.Tick(timer); };
}
std::function<void(MainWindowTest&)> Key(UINT key) {
    return [key](MainWindowTest& t) { t.PressKey(key); };
}

// A bar lying on the floor of a well whose every row already holds a block in column 0: the
// landing fills no row and leaves none empty.
void PlayOverPartlyFilledWell(MainWindowTest& t) {
    t.StartPlaying(BarType);
    for (int y = 0; y < GameRules::kWellHeight; ++y) {
        t.window.board[0][y] = 1;
    }
    t.PressKey(VK_DOWN);
}

// A landed piece with the top of the well blocked, so that the next piece overlaps blocks.
void LandUnderBlockedTop(MainWindowTest& t) {
    Land(t);
    for (int x = 0; x < GameRules::kWellWidth; ++x) {
        t.window.board[x][0] = 1;
    }
}

const Timers Idle = {};
const Timers Delay = {{Start, 100}};
const Timers Running = {{Fall, 600}, {Spawn, 100}};
const Timers Lost = {{Over, 100}};

const Transition Transitions[] = {
    {"IdleButtonStarts",
     Nothing,
     Click,
     {GameState::Starting, L"停止游戏", false, L"游戏中", false, Delay}},
    {"StartDelayTickBeginsPlay",
     Click,
     Fire(Start),
     {GameState::Playing, L"停止游戏", false, L"游戏中", false, Running}},
    {"ButtonDuringStartDelayDoesNothing",
     Click,
     Click,
     {GameState::Starting, L"停止游戏", false, L"游戏中", false, Delay}},
    {"FallTickMovesPieceDown",
     Play,
     Fire(Fall),
     {GameState::Playing, L"停止游戏", false, L"游戏中", false, Running}},
    {"FallTickLandsPiece",
     PlayAndDrop,
     Fire(Fall),
     {GameState::Landed, L"停止游戏", false, L"游戏中", false, Running}},
    {"LandingThatFillsEveryRowPartlyLoses",
     PlayOverPartlyFilledWell,
     Fire(Fall),
     {GameState::GameOverPause, L"停止游戏", false, L"游戏中", false, Lost}},
    {"UpArrowPauses",
     Play,
     Key(VK_UP),
     {GameState::Playing, L"停止游戏", false, L"游戏暂停", true, Running}},
    {"WResumes",
     Pause,
     Key('W'),
     {GameState::Playing, L"停止游戏", false, L"游戏中", false, Running}},
    {"ButtonStopsPlayingGame",
     Play,
     Click,
     {GameState::Idle, L"开始游戏", true, L"游戏结束", false, Idle}},
    {"ButtonStopsLandedGame",
     Land,
     Click,
     {GameState::Idle, L"开始游戏", true, L"游戏结束", false, Idle}},
    {"ButtonStopsPausedGameKeepingPause",
     Pause,
     Click,
     {GameState::Idle, L"开始游戏", true, L"游戏结束", true, Idle}},
    {"SpawnTickBringsNextPiece",
     Land,
     Fire(Spawn),
     {GameState::Playing, L"停止游戏", false, L"游戏中", false, Running}},
    {"SpawnTickOnBlockedWellLoses",
     LandUnderBlockedTop,
     Fire(Spawn),
     {GameState::GameOverPause, L"停止游戏", false, L"游戏中", false, Lost}},
    {"GameOverTickReturnsToIdle",
     Lose,
     Fire(Over),
     {GameState::Idle, L"开始游戏", true, L"游戏结束", false, Idle}},
    // The lost game's tick is stopped too, so it cannot end the new game.
    {"ButtonDuringGameOverPauseStartsAgain",
     Lose,
     Click,
     {GameState::Starting, L"停止游戏", false, L"游戏中", false, Delay}},
    {"ButtonAfterStopStartsAgainAndClearsPause",
     PauseAndStop,
     Click,
     {GameState::Starting, L"停止游戏", false, L"游戏中", false, Delay}},
};

void PrintTo(const Transition& transition, std::ostream* out) {
    *out << transition.name;
}

// Names a parameterized case after the name it carries.
template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

}  // namespace

class GameFlowTest : public MainWindowTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(GameFlowTest, TransitionShowsItsOutcome) {
    const Transition& transition = GetParam();
    ASSERT_NO_FATAL_FAILURE(transition.reachFrom(*this));
    ASSERT_FALSE(HasFatalFailure());
    transition.event(*this);

    const Outcome& expected = transition.outcome;
    EXPECT_EQ(window.state, expected.state);
    EXPECT_EQ(ButtonText(), expected.caption);
    EXPECT_EQ(ComboEnabled(), expected.comboEnabled);
    EXPECT_EQ(ComboSelection(), 0) << "the default level's item stays selected";
    EXPECT_EQ(window.StatusText().Text(), expected.status);
    EXPECT_EQ(window.paused, expected.paused);
    EXPECT_EQ(window.level, 1);
    EXPECT_EQ(window.timers, expected.timers);
}

INSTANTIATE_TEST_SUITE_P(StateTable, GameFlowTest, ::testing::ValuesIn(Transitions),
                         CaseName<Transition>);

TEST_F(MainWindowTest, CreatedWindowIsIdleWithEmptyStatus) {
    EXPECT_EQ(window.state, GameState::Idle);
    EXPECT_EQ(ButtonText(), L"开始游戏");
    EXPECT_TRUE(ComboEnabled());
    EXPECT_EQ(ComboSelection(), 0);
    EXPECT_TRUE(window.StatusText().IsEmpty());
    EXPECT_TRUE(window.timers.empty());
}

TEST(MainWindowObjectTest, IsNotReadyBeforeItsWindowExists) {
    TestMainWnd window;
    EXPECT_EQ(window.state, GameState::NotReady);
    EXPECT_EQ(window.level, 1);
    EXPECT_FALSE(window.paused);
}

TEST_F(MainWindowTest, FallTickMovesPieceOneRow) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    const int row = window.pieceY;
    Tick(KvMainWnd::FallTimer);
    EXPECT_EQ(window.pieceY, row + 1);
}

TEST_F(MainWindowTest, StartDelayTickOutsideStartingIsIgnoredAndKeepsTimer) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    // A tick of a timer the window no longer runs, as a stale message would bring it.
    const RulesSnapshot before(window);
    Tick(KvMainWnd::StartDelayTimer);
    EXPECT_TRUE(RulesSnapshot(window) == before);
}

TEST_F(MainWindowTest, SpawnTickWhilePlayingDoesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    const RulesSnapshot before(window);
    Tick(KvMainWnd::SpawnTimer);
    EXPECT_TRUE(RulesSnapshot(window) == before);
}

TEST_F(MainWindowTest, DoubleClickWithinStartDelayStartsOneTimer) {
    ClickButton();
    ClickButton();
    EXPECT_EQ(window.starts, std::vector<UINT_PTR>{KvMainWnd::StartDelayTimer});
    EXPECT_EQ(window.state, GameState::Starting);
}

TEST_F(MainWindowTest, StartDuringGameOverPauseStopsTheRealGameOverTimer) {
    ASSERT_NO_FATAL_FAILURE(LoseGame());
    ClickButton();
    // KillTimer succeeds only for a timer that is still set.
    EXPECT_FALSE(KillTimer(hwnd, KvMainWnd::GameOverTimer));
    EXPECT_TRUE(KillTimer(hwnd, KvMainWnd::StartDelayTimer));
}

TEST_F(MainWindowTest, LostGameLeavesItsBoardAndEmptiesPreview) {
    ASSERT_NO_FATAL_FAILURE(LoseGame());
    EXPECT_EQ(window.currentType, 0) << "the losing piece is frozen into the board";
    EXPECT_EQ(window.nextType, 0);
    Tick(KvMainWnd::GameOverTimer);
    EXPECT_NE(CountBlocks(window), 0);
}

TEST_F(MainWindowTest, StopFreezesFallingPieceAndEmptiesPreview) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    ClickButton();
    EXPECT_EQ(window.currentType, 0);
    EXPECT_EQ(window.nextType, 0);
    EXPECT_EQ(CountBlocks(window), ShapeRecord::kCellCount);
}

TEST_F(MainWindowTest, StartClearsLastGamesBoardAndScore) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    window.score = 550;
    window.rowsRemoved = 4;
    ClickButton();
    ClickButton();
    EXPECT_EQ(CountBlocks(window), 0);
    EXPECT_EQ(window.score, 0u);
    EXPECT_EQ(window.rowsRemoved, 0u);
}

// The level and fall interval each difficulty item gives, and the item shown selected after.
struct LevelCase {
    const char* name;
    WPARAM selection;
    std::int32_t level;
    UINT fallInterval;
    LRESULT selectionAfter;
};

void PrintTo(const LevelCase& level, std::ostream* out) {
    *out << level.name;
}

class DifficultyTest : public MainWindowTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(DifficultyTest, SelectionSetsLevelAndFallInterval) {
    const LevelCase& level = GetParam();
    SelectComboItem(level.selection);
    ClickButton();
    Tick(KvMainWnd::StartDelayTimer);
    EXPECT_EQ(window.level, level.level);
    EXPECT_EQ(window.timers[KvMainWnd::FallTimer], level.fallInterval);
    EXPECT_EQ(ComboSelection(), level.selectionAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, DifficultyTest,
    ::testing::Values(LevelCase{"Easy", 0, 1, 600, 0}, LevelCase{"Normal", 1, 2, 400, 1},
                      LevelCase{"Hard", 2, 3, 200, 2},
                      // No selection plays the easy level and selects it.
                      LevelCase{"NoSelection", static_cast<WPARAM>(-1), 1, 600, 0}),
    CaseName<LevelCase>);

// One key and how it changes a tee in the middle of the top of the well.
struct KeyCase {
    const char* name;
    UINT key;
    int dx;
    bool drops;
    std::int32_t orientation;
    bool paused;
};

void PrintTo(const KeyCase& key, std::ostream* out) {
    *out << key.name;
}

class KeyTest : public MainWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTest, KeyActsOnPlayingGame) {
    const KeyCase& key = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    const std::int32_t x = window.pieceX;
    PressKey(key.key);
    EXPECT_EQ(window.pieceX, x + key.dx);
    // A tee in orientation 1 rests on the floor with its frame origin on row 16.
    EXPECT_EQ(window.pieceY, key.drops ? GameRules::kWellHeight - 2 : 0);
    EXPECT_EQ(window.currentOrientation, key.orientation);
    EXPECT_EQ(window.paused, key.paused);
}

INSTANTIATE_TEST_SUITE_P(KeyTable, KeyTest,
                         ::testing::Values(KeyCase{"Space", VK_SPACE, 0, false, 2, false},
                                           KeyCase{"Left", VK_LEFT, -1, false, 1, false},
                                           KeyCase{"A", 'A', -1, false, 1, false},
                                           KeyCase{"Up", VK_UP, 0, false, 1, true},
                                           KeyCase{"W", 'W', 0, false, 1, true},
                                           KeyCase{"Right", VK_RIGHT, 1, false, 1, false},
                                           KeyCase{"D", 'D', 1, false, 1, false},
                                           KeyCase{"Down", VK_DOWN, 0, true, 1, false},
                                           KeyCase{"S", 'S', 0, true, 1, false},
                                           // Keys outside the table.
                                           KeyCase{"Return", VK_RETURN, 0, false, 1, false},
                                           KeyCase{"X", 'X', 0, false, 1, false},
                                           KeyCase{"NumPad4", VK_NUMPAD4, 0, false, 1, false}),
                         CaseName<KeyCase>);

TEST_F(MainWindowTest, UpArrowPausesAndResumesOnEveryRepeat) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    for (int repeat = 1; repeat <= 4; ++repeat) {
        PressKey(VK_UP);
        EXPECT_EQ(window.paused, repeat % 2 == 1) << "repeat " << repeat;
    }
}

// The keys of the game, and the situations in which none of them may change anything.
const UINT GameKeys[] = {VK_SPACE, VK_LEFT, 'A', VK_UP, 'W', VK_RIGHT, 'D', VK_DOWN, 'S'};

struct IgnoredKeysCase {
    const char* name;
    void (*reach)(MainWindowTest&);
    // While paused the pause keys still act: they resume.
    bool pauseKeysToo;
};

void PrintTo(const IgnoredKeysCase& situation, std::ostream* out) {
    *out << situation.name;
}

class IgnoredKeysTest : public MainWindowTest,
                        public ::testing::WithParamInterface<IgnoredKeysCase> {};

TEST_P(IgnoredKeysTest, GameKeysChangeNothing) {
    const IgnoredKeysCase& situation = GetParam();
    ASSERT_NO_FATAL_FAILURE(situation.reach(*this));
    for (UINT key : GameKeys) {
        if (!situation.pauseKeysToo && (key == VK_UP || key == 'W')) {
            continue;
        }
        const RulesSnapshot before(window);
        const std::wstring status = window.StatusText().Text();
        PressKey(key);
        EXPECT_TRUE(RulesSnapshot(window) == before) << "key " << key;
        EXPECT_EQ(window.StatusText().Text(), status) << "key " << key;
    }
}

INSTANTIATE_TEST_SUITE_P(OutsidePlay, IgnoredKeysTest,
                         ::testing::Values(IgnoredKeysCase{"Idle", Nothing, true},
                                           IgnoredKeysCase{"Starting", Click, true},
                                           IgnoredKeysCase{"BetweenLandingAndSpawn", Land, true},
                                           IgnoredKeysCase{"GameOverPause", Lose, true},
                                           IgnoredKeysCase{"Stopped", PlayAndStop, true},
                                           IgnoredKeysCase{"Paused", Pause, false}),
                         CaseName<IgnoredKeysCase>);

TEST_F(MainWindowTest, CommandFromOtherSourcesIsNotTheButton) {
    Send(WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(window.ComboBoxHandle()));
    Send(WM_COMMAND, MAKEWPARAM(1, 0), 0);
    EXPECT_EQ(window.state, GameState::Idle);
}

// Which part of the client area each kind of change asks to repaint.
TEST_F(MainWindowTest, RepaintRequestsCoverTheChangedArea) {
    const RECT client = {0, 0, TestClientWidth, TestClientHeight};
    struct Request {
        const char* name;
        std::function<void()> change;
        RECT area;
    };
    const Request requests[] = {
        {"start",
         [this] {
             ClickButton();
             // A tee can always turn at the top of an empty well.
             window.nextType = TeeType;
             window.nextOrientation = 1;
         },
         client},
        {"first piece", [this] { Tick(KvMainWnd::StartDelayTimer); }, client},
        {"move", [this] { PressKey(VK_LEFT); }, window.BoardRect()},
        {"turn", [this] { PressKey(VK_SPACE); }, window.BoardRect()},
        {"fall", [this] { Tick(KvMainWnd::FallTimer); }, window.BoardRect()},
        {"pause", [this] { PressKey(VK_UP); }, window.PanelRect()},
        {"resume", [this] { PressKey(VK_UP); }, window.PanelRect()},
        {"drop", [this] { PressKey(VK_DOWN); }, window.BoardRect()},
        {"landing", [this] { Tick(KvMainWnd::FallTimer); }, client},
        {"stop", [this] { ClickButton(); }, client},
    };
    for (const Request& request : requests) {
        SCOPED_TRACE(request.name);
        ValidateRect(hwnd, nullptr);
        request.change();
        RECT update = {};
        ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
        EXPECT_TRUE(EqualRect(&update, &request.area))
            << update.left << ',' << update.top << ',' << update.right << ',' << update.bottom;
    }
}

TEST_F(MainWindowTest, RefusedMoveRequestsNoRepaint) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    PressKey(VK_UP);
    ValidateRect(hwnd, nullptr);
    PressKey(VK_LEFT);
    RECT update = {};
    EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE));
}

// Returns true when the window's posted destroy request arrives and is dispatched.
bool DispatchDestroyRequest(HWND hwnd) {
    MSG message;
    if (!PeekMessageW(&message, hwnd, KvMainWnd::DestroyRequestMessage,
                      KvMainWnd::DestroyRequestMessage, PM_REMOVE)) {
        return false;
    }
    DispatchMessageW(&message);
    return true;
}

TEST_F(MainWindowTest, CloseDuringGameDestroysWindowThroughPostedRequest) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    EXPECT_EQ(Send(WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hwnd)) << "the window goes only when its request arrives";
    ASSERT_TRUE(DispatchDestroyRequest(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_EQ(TakeQuitMessage(), 0);
    EXPECT_EQ(GetAppContext().moduleHandle, nullptr) << "the context is released";
}
