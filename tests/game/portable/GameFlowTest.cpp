// The game flow: the state table, the level, the keys and the button, each driven as the window
// drives it, and what the flow does when its front end cannot start a timer.
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
    GameFlowTest() { flow.ControlsCreated(); }

    // Plays events written in the fuzzer's letters: 'B' the button; 'L' the left key, 'T' space,
    // 'D' the down key, 'P' the up key and 'W' the W key; 's', 'f', 'n' and 'g' the ticks of the
    // start delay, the fall, the spawn and the game-over timer. Besides, 't' previews a tee and 'b'
    // a lying bar, which the next tick of the start delay or the spawn brings in; 'X' fills the top
    // two rows of the well, so that no piece can enter, and '|' its left column.
    void Run(const std::string& events) {
        const std::map<char, std::function<void()>> actions = {
            {'B', [this] { flow.PressButton(); }},
            {'L', [this] { flow.PressKey(GameFlow::LeftKey); }},
            {'T', [this] { flow.PressKey(GameFlow::SpaceKey); }},
            {'D', [this] { flow.PressKey(GameFlow::DownKey); }},
            {'P', [this] { flow.PressKey(GameFlow::UpKey); }},
            {'W', [this] { flow.PressKey('W'); }},
            {'s', [this] { flow.Tick(Start); }},
            {'f', [this] { flow.Tick(Fall); }},
            {'n', [this] { flow.Tick(Spawn); }},
            {'g', [this] { flow.Tick(Over); }},
            {'t', [this] { Preview(TeeType); }},
            {'b', [this] { Preview(BarType); }},
            {'X', [this] { Fill(GameRules::WellWidth, 2); }},
            {'|', [this] { Fill(1, GameRules::WellHeight); }},
        };
        for (char event : events) {
            actions.at(event)();
        }
    }

    void Preview(std::int32_t type) {
        flow.nextType = type;
        flow.nextOrientation = 1;
    }

    // Fills the left `columns` columns of the top `rows` rows with blocks.
    void Fill(int columns, int rows) {
        for (int x = 0; x < columns; ++x) {
            for (int y = 0; y < rows; ++y) {
                flow.board[x][y] = 1;
            }
        }
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

// The events that reach a state, and the event whose outcome is checked.
struct Transition {
    const char* name;
    const char* reach;
    const char* event;
    Outcome outcome;
};

const Timers NoTimer = {};
const Timers Delay = {{Start, 100}};
const Timers Running = {{Fall, 600}, {Spawn, 100}};
const Timers Lost = {{Over, 100}};
constexpr Controls InGame = Controls::InGame;
constexpr Controls IdleForm = Controls::Idle;
constexpr GameState Idle = GameState::Idle;
constexpr GameState Starting = GameState::Starting;
constexpr GameState Playing = GameState::Playing;
constexpr GameState GameOver = GameState::GameOverPause;
constexpr wchar_t Plays[] = L"游戏中";
constexpr wchar_t Ended[] = L"游戏结束";

const Transition Transitions[] = {
    {"IdleButtonStarts", "", "B", {Starting, InGame, Plays, false, Delay}},
    {"StartDelayTickBeginsPlay", "B", "s", {Playing, InGame, Plays, false, Running}},
    {"ButtonDuringStartDelayDoesNothing", "B", "B", {Starting, InGame, Plays, false, Delay}},
    {"FallTickMovesPieceDown", "Bs", "f", {Playing, InGame, Plays, false, Running}},
    {"FallTickLandsPiece", "BsD", "f", {GameState::Landed, InGame, Plays, false, Running}},
    // A bar lying on the floor of a well whose every row already holds a block in column 0: the
    // landing fills no row and leaves none empty.
    {"LandingThatFillsEveryRowPartlyLoses", "Bbs|D", "f", {GameOver, InGame, Plays, false, Lost}},
    {"UpArrowPauses", "Bs", "P", {Playing, InGame, L"游戏暂停", true, Running}},
    {"WResumes", "BsP", "W", {Playing, InGame, Plays, false, Running}},
    {"ButtonStopsPlayingGame", "Bs", "B", {Idle, IdleForm, Ended, false, NoTimer}},
    {"ButtonStopsLandedGame", "BsDf", "B", {Idle, IdleForm, Ended, false, NoTimer}},
    {"ButtonStopsPausedGameKeepingPause", "BsP", "B", {Idle, IdleForm, Ended, true, NoTimer}},
    {"SpawnTickBringsNextPiece", "BsDf", "n", {Playing, InGame, Plays, false, Running}},
    {"SpawnTickOnBlockedWellLoses", "BsDfX", "n", {GameOver, InGame, Plays, false, Lost}},
    {"GameOverTickReturnsToIdle", "BsDfXn", "g", {Idle, IdleForm, Ended, false, NoTimer}},
    // The lost game's tick is stopped too, so it cannot end the new game.
    {"ButtonDuringGameOverPauseStartsAgain",
     "BsDfXn",
     "B",
     {Starting, InGame, Plays, false, Delay}},
    {"ButtonAfterStopStartsAgainAndClearsPause",
     "BsPB",
     "B",
     {Starting, InGame, Plays, false, Delay}},
};

void PrintTo(const Transition& transition, std::ostream* out) {
    *out << transition.name;
}

class GameFlowTransition : public GameFlowTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(GameFlowTransition, ShowsItsOutcome) {
    const Transition& transition = GetParam();
    Run(transition.reach);
    Run(transition.event);

    const Outcome& expected = transition.outcome;
    EXPECT_EQ(flow.state, expected.state);
    EXPECT_EQ(flow.controls, expected.controls);
    EXPECT_STREQ(flow.statusText, expected.status);
    EXPECT_EQ(flow.paused, expected.paused);
    EXPECT_EQ(flow.level, 1);
    EXPECT_EQ(flow.timers, expected.timers);
}

INSTANTIATE_TEST_SUITE_P(StateTable, GameFlowTransition, ::testing::ValuesIn(Transitions),
                         ::testing::PrintToStringParamName());

// A new game waits, NotReady, until its front end's controls exist; a later call, as in a game
// that runs, changes nothing.
TEST(GameFlowReady, ANewGameBecomesIdleOnceItsControlsExist) {
    RecordingFlow flow;
    EXPECT_EQ(flow.state, GameState::NotReady);
    flow.ControlsCreated();
    EXPECT_EQ(flow.state, GameState::Idle);
    EXPECT_EQ(flow.controls, Controls::Idle);
    EXPECT_STREQ(flow.statusText, L"");
    EXPECT_TRUE(flow.timers.empty());
    flow.PressButton();
    flow.ControlsCreated();
    EXPECT_EQ(flow.state, GameState::Starting);
    EXPECT_EQ(flow.controls, Controls::InGame);
}

TEST_F(GameFlowTest, AStartTakesTheKeyboardFromTheButton) {
    flow.PressButton();
    EXPECT_EQ(flow.focusTaken, 1);
    flow.PressButton();
    EXPECT_EQ(flow.focusTaken, 1) << "the second press, while starting, does nothing";
    EXPECT_EQ(flow.starts, std::vector<std::uintptr_t>{Start});
}

// Ticks of timers the flow no longer runs, as stale messages would bring them, and of ids that
// are none of its timers, change nothing; the fall timer's moves the piece down one row.
TEST_F(GameFlowTest, FallTickMovesThePieceOneRowAndOtherTicksChangeNothing) {
    Run("Bts");
    ASSERT_EQ(flow.state, GameState::Playing);
    for (std::uintptr_t timer : {Start, Spawn, Over, std::uintptr_t{1}, std::uintptr_t{7}}) {
        const RulesSnapshot before(flow);
        flow.Tick(timer);
        EXPECT_TRUE(RulesSnapshot(flow) == before) << "timer " << timer;
        EXPECT_EQ(flow.timers, Running) << "timer " << timer;
    }
    const int row = flow.pieceY;
    flow.Tick(Fall);
    EXPECT_EQ(flow.pieceY, row + 1);
}

// One landed block in the way of the entering piece ends the game; the piece that could not
// enter stays in the well, all four of its cells, beside that block.
TEST_F(GameFlowTest, LostGameFreezesTheLosingPieceAndEmptiesPreview) {
    Run("Bts");
    const Cells entered = PieceCells(flow);  // where a tee enters
    Run("Dft");
    ASSERT_EQ(flow.state, GameState::Landed);
    flow.board[entered[0].x][entered[0].y] = 1;
    const int blocksBefore = CountBlocks(flow);
    Run("n");
    ASSERT_EQ(flow.state, GameState::GameOverPause);
    EXPECT_EQ(flow.currentType, 0);
    EXPECT_EQ(flow.nextType, 0);
    for (Cell cell : entered) {
        EXPECT_NE(flow.board[cell.x][cell.y], 0) << cell;
    }
    EXPECT_EQ(CountBlocks(flow), blocksBefore + ShapeRecord::CellCount - 1);
    Run("g");
    EXPECT_EQ(CountBlocks(flow), blocksBefore + ShapeRecord::CellCount - 1);
}

TEST_F(GameFlowTest, StopFreezesThePieceAndEmptiesPreviewAndTheNextStartClearsTheGame) {
    Run("Bts");
    flow.score = 550;
    flow.rowsRemoved = 4;
    Run("B");
    EXPECT_EQ(flow.currentType, 0);
    EXPECT_EQ(flow.nextType, 0);
    EXPECT_EQ(CountBlocks(flow), ShapeRecord::CellCount);
    Run("B");
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
        fresh.ControlsCreated();
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
    Run("Bts");
    ASSERT_EQ(flow.state, GameState::Playing);
    const std::int32_t x = flow.pieceX;
    flow.PressKey(key.key);
    EXPECT_EQ(flow.pieceX, x + key.dx);
    // A tee in orientation 1 rests on the floor with its frame origin on row 16.
    EXPECT_EQ(flow.pieceY, key.drops ? GameRules::WellHeight - 2 : 0);
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
    ::testing::PrintToStringParamName());

// The keys of the game, and the situations in which none of them may change anything.
const std::uint32_t GameKeys[] = {0x20, 0x25, 'A', 0x26, 'W', 0x27, 'D', 0x28, 'S'};

struct IgnoredKeysCase {
    const char* name;
    const char* reach;
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
    Run(situation.reach);
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
                         ::testing::Values(IgnoredKeysCase{"Idle", "", true},
                                           IgnoredKeysCase{"Starting", "B", true},
                                           IgnoredKeysCase{"BetweenLandingAndSpawn", "BsDf", true},
                                           IgnoredKeysCase{"GameOverPause", "BsDfXn", true},
                                           IgnoredKeysCase{"Stopped", "BsB", true},
                                           IgnoredKeysCase{"Paused", "BsP", false}),
                         ::testing::PrintToStringParamName());

// The repaint each kind of change asks for: 'B' the board, 'P' the panel, 'C' the client area.
TEST_F(GameFlowTest, EachChangeAsksForTheRepaintOfWhatItChanged) {
    const struct {
        const char* name;
        const char* events;
        const char* repaints;
    } requests[] = {
        // A tee can always turn at the top of an empty well.
        {"start", "Bt", "C"},
        {"first piece", "s", "C"},
        {"move", "L", "B"},
        {"turn", "T", "B"},
        {"fall", "f", "B"},
        {"pause", "P", "P"},
        {"refused move while paused", "L", ""},
        {"resume", "P", "P"},
        {"drop", "D", "B"},
        {"landing", "f", "C"},
        {"stop", "B", "C"},
    };
    for (const auto& request : requests) {
        flow.hooks.clear();
        Run(request.events);
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
    EXPECT_EQ(flow.controls, Controls::Idle) << "the controls were shown in-game";
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
    Run("BsDfX");
    flow.refusedStarts.insert(Over);
    Run("n");
    EXPECT_EQ(flow.state, GameState::Idle);
    EXPECT_EQ(flow.controls, Controls::Idle);
    EXPECT_TRUE(flow.timers.empty());
}

}  // namespace
