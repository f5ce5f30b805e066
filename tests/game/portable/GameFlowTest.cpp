// The game flow: the state table, the level, the keys and the button, each driven as the window
// drives it, and what the flow does when its front end cannot start a timer.
#include <cwchar>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFlow.h"
#include "RulesInvariants.h"

namespace {

using Controls = RecordingFlow::Controls;
using Timers = std::map<std::uintptr_t, std::uint32_t>;

constexpr std::int32_t BarType = 1;
constexpr std::int32_t TeeType = 3;
constexpr std::uintptr_t Start = GameFlow::StartDelayTimer;
constexpr std::uintptr_t Fall = GameFlow::FallTimer;
constexpr std::uintptr_t Spawn = GameFlow::SpawnTimer;
constexpr std::uintptr_t Over = GameFlow::GameOverTimer;

class GameFlowTest : public ::testing::Test {
  public:
    GameFlowTest() { flow.BecomeIdle(); }

    // Starts a game with the button and the start delay's tick. With a type, that piece is the
    // first to fall, in the given orientation.
    void StartPlaying(std::int32_t type = 0, std::int32_t orientation = 1) {
        flow.PressButton();
        if (type != 0) {
            flow.nextType = type;
            flow.nextOrientation = orientation;
        }
        flow.Tick(Start);
        ASSERT_EQ(flow.state, GameState::Playing);
    }

    // Drops the falling piece and lands it with a fall tick.
    void LandPiece() {
        flow.PressKey(GameFlow::DownKey);
        flow.Tick(Fall);
        ASSERT_EQ(flow.state, GameState::Landed);
    }

    // Lands a piece, then blocks the well's top so that the next piece cannot enter.
    void LoseGame() {
        ASSERT_NO_FATAL_FAILURE(StartPlaying());
        ASSERT_NO_FATAL_FAILURE(LandPiece());
        for (int x = 0; x < GameRules::kWellWidth; ++x) {
            flow.board[x][0] = 1;
            flow.board[x][1] = 1;
        }
        flow.Tick(Spawn);
        ASSERT_EQ(flow.state, GameState::GameOverPause);
    }

    RecordingFlow flow;
};

// What the player can see and what drives the game after one event.
struct Outcome {
    GameState state;
    Controls controls;
    const wchar_t* status;
    bool paused;
    Timers timers;
};

struct Transition {
    const char* name;
    std::function<void(GameFlowTest&)> reachFrom;
    std::function<void(GameFlowTest&)> event;
    Outcome outcome;
};

void Nothing(GameFlowTest&) {}
void Click(GameFlowTest& t) {
    t.flow.PressButton();
}
void Play(GameFlowTest& t) {
    t.StartPlaying();
}
void PlayAndDrop(GameFlowTest& t) {
    t.StartPlaying();
    t.flow.PressKey(GameFlow::DownKey);
}
void Land(GameFlowTest& t) {
    t.StartPlaying();
    t.LandPiece();
}
void Pause(GameFlowTest& t) {
    t.StartPlaying();
    t.flow.PressKey(GameFlow::UpKey);
}
void PauseAndStop(GameFlowTest& t) {
    Pause(t);
    t.flow.PressButton();
}
void PlayAndStop(GameFlowTest& t) {
    t.StartPlaying();
    t.flow.PressButton();
}
void Lose(GameFlowTest& t) {
    t.LoseGame();
}
std::function<void(GameFlowTest&)> Fire(std::uintptr_t timer) {
    return [timer](GameFlowTest& t) { t.flow.Tick(timer); };
}
std::function<void(GameFlowTest&)> Key(std::uint32_t key) {
    return [key](GameFlowTest& t) { t.flow.PressKey(key); };
}

// A bar lying on the floor of a well whose every row already holds a block in column 0: the
// landing fills no row and leaves none empty.
void PlayOverPartlyFilledWell(GameFlowTest& t) {
    t.StartPlaying(BarType);
    for (int y = 0; y < GameRules::kWellHeight; ++y) {
        t.flow.board[0][y] = 1;
    }
    t.flow.PressKey(GameFlow::DownKey);
}

// A landed piece with the top of the well blocked, so that the next piece overlaps blocks.
void LandUnderBlockedTop(GameFlowTest& t) {
    Land(t);
    for (int x = 0; x < GameRules::kWellWidth; ++x) {
        t.flow.board[x][0] = 1;
    }
}

const Timers Idle = {};
const Timers Delay = {{Start, 100}};
const Timers Running = {{Fall, 600}, {Spawn, 100}};
const Timers Lost = {{Over, 100}};
constexpr Controls InGame = Controls::InGame;
constexpr Controls IdleForm = Controls::Idle;

const Transition Transitions[] = {
    {"IdleButtonStarts", Nothing, Click, {GameState::Starting, InGame, L"游戏中", false, Delay}},
    {"StartDelayTickBeginsPlay",
     Click,
     Fire(Start),
     {GameState::Playing, InGame, L"游戏中", false, Running}},
    {"ButtonDuringStartDelayDoesNothing",
     Click,
     Click,
     {GameState::Starting, InGame, L"游戏中", false, Delay}},
    {"FallTickMovesPieceDown",
     Play,
     Fire(Fall),
     {GameState::Playing, InGame, L"游戏中", false, Running}},
    {"FallTickLandsPiece",
     PlayAndDrop,
     Fire(Fall),
     {GameState::Landed, InGame, L"游戏中", false, Running}},
    {"LandingThatFillsEveryRowPartlyLoses",
     PlayOverPartlyFilledWell,
     Fire(Fall),
     {GameState::GameOverPause, InGame, L"游戏中", false, Lost}},
    {"UpArrowPauses",
     Play,
     Key(GameFlow::UpKey),
     {GameState::Playing, InGame, L"游戏暂停", true, Running}},
    {"WResumes", Pause, Key('W'), {GameState::Playing, InGame, L"游戏中", false, Running}},
    {"ButtonStopsPlayingGame", Play, Click, {GameState::Idle, IdleForm, L"游戏结束", false, Idle}},
    {"ButtonStopsLandedGame", Land, Click, {GameState::Idle, IdleForm, L"游戏结束", false, Idle}},
    {"ButtonStopsPausedGameKeepingPause",
     Pause,
     Click,
     {GameState::Idle, IdleForm, L"游戏结束", true, Idle}},
    {"SpawnTickBringsNextPiece",
     Land,
     Fire(Spawn),
     {GameState::Playing, InGame, L"游戏中", false, Running}},
    {"SpawnTickOnBlockedWellLoses",
     LandUnderBlockedTop,
     Fire(Spawn),
     {GameState::GameOverPause, InGame, L"游戏中", false, Lost}},
    {"GameOverTickReturnsToIdle",
     Lose,
     Fire(Over),
     {GameState::Idle, IdleForm, L"游戏结束", false, Idle}},
    // The lost game's tick is stopped too, so it cannot end the new game.
    {"ButtonDuringGameOverPauseStartsAgain",
     Lose,
     Click,
     {GameState::Starting, InGame, L"游戏中", false, Delay}},
    {"ButtonAfterStopStartsAgainAndClearsPause",
     PauseAndStop,
     Click,
     {GameState::Starting, InGame, L"游戏中", false, Delay}},
};

void PrintTo(const Transition& transition, std::ostream* out) {
    *out << transition.name;
}

class GameFlowTransition : public GameFlowTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(GameFlowTransition, ShowsItsOutcome) {
    const Transition& transition = GetParam();
    ASSERT_NO_FATAL_FAILURE(transition.reachFrom(*this));
    transition.event(*this);

    const Outcome& expected = transition.outcome;
    EXPECT_EQ(flow.state, expected.state);
    EXPECT_EQ(flow.controls, expected.controls);
    EXPECT_STREQ(flow.statusText, expected.status);
    EXPECT_EQ(flow.paused, expected.paused);
    EXPECT_EQ(flow.level, 1);
    EXPECT_EQ(flow.timers, expected.timers);
}

INSTANTIATE_TEST_SUITE_P(StateTable, GameFlowTransition, ::testing::ValuesIn(Transitions),
                         [](const ::testing::TestParamInfo<Transition>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(GameFlowTest, BeforeItsFirstGameTheStatusLineIsEmptyAndNoTimerRuns) {
    EXPECT_STREQ(flow.statusText, L"");
    EXPECT_TRUE(flow.timers.empty());
    RecordingFlow fresh;
    EXPECT_EQ(fresh.state, GameState::NotReady);
    EXPECT_EQ(fresh.level, 1);
    EXPECT_FALSE(fresh.paused);
}

TEST_F(GameFlowTest, AStartTakesTheKeyboardFromTheButton) {
    flow.PressButton();
    EXPECT_EQ(flow.focusTaken, 1);
    flow.PressButton();
    EXPECT_EQ(flow.focusTaken, 1) << "the second press, while starting, does nothing";
    EXPECT_EQ(flow.starts, std::vector<std::uintptr_t>{Start});
}

TEST_F(GameFlowTest, FallTickMovesPieceOneRow) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    const int row = flow.pieceY;
    flow.Tick(Fall);
    EXPECT_EQ(flow.pieceY, row + 1);
}

// Ticks of timers the flow no longer runs, as stale messages would bring them, and of ids that
// are none of its timers.
TEST_F(GameFlowTest, TicksOutsideTheirStatesAndUnknownTicksChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    for (std::uintptr_t timer : {Start, Spawn, std::uintptr_t{1}, std::uintptr_t{7}}) {
        const RulesSnapshot before(flow);
        flow.Tick(timer);
        EXPECT_TRUE(RulesSnapshot(flow) == before) << "timer " << timer;
        EXPECT_EQ(flow.timers, Running) << "timer " << timer;
    }
}

// One landed block in the way of the entering piece ends the game; the piece that could not
// enter stays in the well, all four of its cells, beside that block.
TEST_F(GameFlowTest, LostGameFreezesTheLosingPieceAndEmptiesPreview) {
    RecordingFlow entered;
    entered.BecomeIdle();
    entered.PressButton();
    entered.nextType = TeeType;
    entered.nextOrientation = 1;
    entered.Tick(Start);
    ASSERT_EQ(entered.state, GameState::Playing);
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ASSERT_NO_FATAL_FAILURE(LandPiece());
    flow.nextType = TeeType;
    flow.nextOrientation = 1;
    flow.board[entered.pieceCells[0].x][entered.pieceCells[0].y] = 1;
    const int blocksBefore = CountBlocks(flow);
    flow.Tick(Spawn);
    ASSERT_EQ(flow.state, GameState::GameOverPause);
    EXPECT_EQ(flow.currentType, 0);
    EXPECT_EQ(flow.nextType, 0);
    for (Cell cell : entered.pieceCells) {
        EXPECT_NE(flow.board[cell.x][cell.y], 0) << cell;
    }
    EXPECT_EQ(CountBlocks(flow), blocksBefore + ShapeRecord::kCellCount - 1);
    flow.Tick(Over);
    EXPECT_EQ(CountBlocks(flow), blocksBefore + ShapeRecord::kCellCount - 1);
}

TEST_F(GameFlowTest, StopFreezesFallingPieceAndEmptiesPreview) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    flow.PressButton();
    EXPECT_EQ(flow.currentType, 0);
    EXPECT_EQ(flow.nextType, 0);
    EXPECT_EQ(CountBlocks(flow), ShapeRecord::kCellCount);
}

TEST_F(GameFlowTest, StartClearsLastGamesBoardAndScore) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    flow.score = 550;
    flow.rowsRemoved = 4;
    flow.PressButton();
    flow.PressButton();
    EXPECT_EQ(CountBlocks(flow), 0);
    EXPECT_EQ(flow.score, 0u);
    EXPECT_EQ(flow.rowsRemoved, 0u);
}

// The level chosen, the fall interval it gives, and the level then shown as chosen. A value
// that is no level, as an empty list gives, plays the first level and shows it.
TEST_F(GameFlowTest, TheChosenLevelSetsTheFallIntervalAndIsShown) {
    const struct {
        std::intptr_t chosen;
        std::int32_t level;
        std::uint32_t fallInterval;
    } cases[] = {{1, 1, 600}, {2, 2, 400}, {3, 3, 200}, {GameFlow::NoLevel, 1, 600},
                 {0, 1, 600}, {4, 1, 600}};
    for (const auto& c : cases) {
        RecordingFlow fresh;
        fresh.BecomeIdle();
        fresh.chosenLevel = c.chosen;
        fresh.PressButton();
        fresh.Tick(Start);
        EXPECT_EQ(fresh.level, c.level) << c.chosen;
        EXPECT_EQ(fresh.timers[Fall], c.fallInterval) << c.chosen;
        EXPECT_EQ(fresh.levelsShown, std::vector<std::int32_t>{c.level}) << c.chosen;
    }
}

// One key and how it changes a tee in the middle of the top of the well.
struct KeyCase {
    const char* name;
    std::uint32_t key;
    int dx;
    bool drops;
    std::int32_t orientation;
    bool paused;
};

void PrintTo(const KeyCase& key, std::ostream* out) {
    *out << key.name;
}

class GameFlowKey : public GameFlowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(GameFlowKey, ActsOnAPlayingGame) {
    const KeyCase& key = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    const std::int32_t x = flow.pieceX;
    flow.PressKey(key.key);
    EXPECT_EQ(flow.pieceX, x + key.dx);
    // A tee in orientation 1 rests on the floor with its frame origin on row 16.
    EXPECT_EQ(flow.pieceY, key.drops ? GameRules::kWellHeight - 2 : 0);
    EXPECT_EQ(flow.currentOrientation, key.orientation);
    EXPECT_EQ(flow.paused, key.paused);
}

// The virtual-key codes of Return, X and the number pad's 4 are none of the game's keys.
INSTANTIATE_TEST_SUITE_P(
    KeyTable, GameFlowKey,
    ::testing::Values(
        KeyCase{"Space", 0x20, 0, false, 2, false}, KeyCase{"Left", 0x25, -1, false, 1, false},
        KeyCase{"A", 'A', -1, false, 1, false}, KeyCase{"Up", 0x26, 0, false, 1, true},
        KeyCase{"W", 'W', 0, false, 1, true}, KeyCase{"Right", 0x27, 1, false, 1, false},
        KeyCase{"D", 'D', 1, false, 1, false}, KeyCase{"Down", 0x28, 0, true, 1, false},
        KeyCase{"S", 'S', 0, true, 1, false}, KeyCase{"Return", 0x0D, 0, false, 1, false},
        KeyCase{"X", 'X', 0, false, 1, false}, KeyCase{"NumPad4", 0x64, 0, false, 1, false}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

// The keys of the game, and the situations in which none of them may change anything.
const std::uint32_t GameKeys[] = {0x20, 0x25, 'A', 0x26, 'W', 0x27, 'D', 0x28, 'S'};

struct IgnoredKeysCase {
    const char* name;
    void (*reach)(GameFlowTest&);
    // While paused the pause keys still act: they resume.
    bool pauseKeysToo;
};

void PrintTo(const IgnoredKeysCase& situation, std::ostream* out) {
    *out << situation.name;
}

class GameFlowIgnoredKeys : public GameFlowTest,
                            public ::testing::WithParamInterface<IgnoredKeysCase> {};

TEST_P(GameFlowIgnoredKeys, ChangeNothing) {
    const IgnoredKeysCase& situation = GetParam();
    ASSERT_NO_FATAL_FAILURE(situation.reach(*this));
    for (std::uint32_t key : GameKeys) {
        if (!situation.pauseKeysToo && (key == GameFlow::UpKey || key == 'W')) {
            continue;
        }
        const RulesSnapshot before(flow);
        flow.hooks.clear();
        flow.PressKey(key);
        EXPECT_TRUE(RulesSnapshot(flow) == before) << "key " << key;
        EXPECT_EQ(flow.hooks, "") << "key " << key;
    }
}

INSTANTIATE_TEST_SUITE_P(OutsidePlay, GameFlowIgnoredKeys,
                         ::testing::Values(IgnoredKeysCase{"Idle", Nothing, true},
                                           IgnoredKeysCase{"Starting", Click, true},
                                           IgnoredKeysCase{"BetweenLandingAndSpawn", Land, true},
                                           IgnoredKeysCase{"GameOverPause", Lose, true},
                                           IgnoredKeysCase{"Stopped", PlayAndStop, true},
                                           IgnoredKeysCase{"Paused", Pause, false}),
                         [](const ::testing::TestParamInfo<IgnoredKeysCase>& info) {
                             return std::string(info.param.name);
                         });

// The repaint each kind of change asks for: 'B' the board, 'P' the panel, 'C' the client area.
TEST_F(GameFlowTest, EachChangeAsksForTheRepaintOfWhatItChanged) {
    const struct {
        const char* name;
        std::function<void()> change;
        const char* repaints;
    } requests[] = {
        {"start",
         [this] {
             flow.PressButton();
             // A tee can always turn at the top of an empty well.
             flow.nextType = TeeType;
             flow.nextOrientation = 1;
         },
         "C"},
        {"first piece", [this] { flow.Tick(Start); }, "C"},
        {"move", [this] { flow.PressKey(GameFlow::LeftKey); }, "B"},
        {"turn", [this] { flow.PressKey(GameFlow::SpaceKey); }, "B"},
        {"fall", [this] { flow.Tick(Fall); }, "B"},
        {"pause", [this] { flow.PressKey(GameFlow::UpKey); }, "P"},
        {"refused move while paused", [this] { flow.PressKey(GameFlow::LeftKey); }, ""},
        {"resume", [this] { flow.PressKey(GameFlow::UpKey); }, "P"},
        {"drop", [this] { flow.PressKey(GameFlow::DownKey); }, "B"},
        {"landing", [this] { flow.Tick(Fall); }, "C"},
        {"stop", [this] { flow.PressButton(); }, "C"},
    };
    for (const auto& request : requests) {
        flow.hooks.clear();
        request.change();
        EXPECT_EQ(flow.hooks, request.repaints) << request.name;
    }
}

// ---- A timer that the front end cannot start ----

// Without its start-delay tick the game stayed starting for good, and the button, which read
// "stop", did nothing.
TEST_F(GameFlowTest, AStartWithoutItsTimerStaysIdleAndCanBeTriedAgain) {
    flow.refusedStarts.insert(Start);
    flow.PressButton();
    EXPECT_EQ(flow.state, GameState::Idle);
    EXPECT_EQ(flow.controls, Controls::Created) << "the controls were never shown in-game";
    EXPECT_TRUE(flow.timers.empty());
    flow.PressButton();
    EXPECT_EQ(flow.state, GameState::Starting);
}

// Without a fall or a spawn timer no piece fell, or none followed a landing, with the controls
// in their in-game form.
TEST_F(GameFlowTest, PlayWithoutItsFallOrSpawnTimerEndsAsAStoppedGame) {
    for (std::uintptr_t timer : {Fall, Spawn}) {
        flow.PressButton();
        flow.refusedStarts.insert(timer);
        flow.Tick(Start);
        EXPECT_EQ(flow.state, GameState::Idle) << timer;
        EXPECT_EQ(flow.controls, Controls::Idle) << timer;
        EXPECT_STREQ(flow.statusText, GameFlow::GameOverStatus) << timer;
        EXPECT_TRUE(flow.timers.empty()) << timer;
    }
}

TEST_F(GameFlowTest, ALostGameWithoutItsGameOverTimerComesToIdleAtOnce) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying());
    ASSERT_NO_FATAL_FAILURE(LandPiece());
    for (int x = 0; x < GameRules::kWellWidth; ++x) {
        flow.board[x][0] = 1;
        flow.board[x][1] = 1;
    }
    flow.refusedStarts.insert(Over);
    flow.Tick(Spawn);
    EXPECT_EQ(flow.state, GameState::Idle);
    EXPECT_EQ(flow.controls, Controls::Idle);
    EXPECT_TRUE(flow.timers.empty());
}

}  // namespace
