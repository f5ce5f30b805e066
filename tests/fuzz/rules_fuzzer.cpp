// Fuzz target for the game rules. The input is a sequence of key presses, button clicks and timer
// ticks, played on the rules the way the main window plays them. After every action the
// invariants of RulesInvariants.h and the action's own effect are checked; the first broken one
// is printed with the game's fields and aborts the run.
//
// Every input byte is one action. The letters below name the actions, so that the seeds in
// corpus/ read as text; any other byte stands for the action at (byte modulo 11) in this order:
//   L  left key          R  right key           T  space: turn        D  down key: drop
//   P  up key: pause     B  start/stop button   s  start-delay tick   f  fall tick
//   n  spawn tick        g  game-over tick
//   c  sets the previewed piece from the next byte: 'a'..'y' are the 25 shape records in table
//      order, any other byte is taken modulo 25. It acts only while a game runs, where it stands
//      for the random choice, so that short inputs can build rows on purpose.
// A tick arrives only while its timer runs: the start delay in Starting, the fall and spawn
// timers in Playing and Landed, the game-over timer in GameOverPause.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "GameRules.h"
#include "RulesInvariants.h"
#include "ShapeTable.h"

namespace {

enum class Action {
    Left,
    Right,
    Turn,
    Drop,
    Pause,
    Button,
    StartDelayTick,
    FallTick,
    SpawnTick,
    GameOverTick,
    ChoosePreview,
    Count
};

constexpr char kActionLetters[] = "LRTDPBsfngc";
constexpr int kActionCount = static_cast<int>(Action::Count);
static_assert(sizeof(kActionLetters) - 1 == kActionCount, "one letter per action");

// The points for removing 0 to 4 rows at once, written out here rather than taken from the rules
// so that a wrong table in the rules shows.
constexpr std::uint32_t kPointsForRows[] = {0, 100, 250, 400, 550};
constexpr std::uint32_t kMostRowsAtOnce = 4;

constexpr std::int32_t kSquareType = 2;

Action DecodeAction(std::uint8_t byte) {
    for (int i = 0; i < kActionCount; ++i) {
        if (static_cast<std::uint8_t>(kActionLetters[i]) == byte) {
            return static_cast<Action>(i);
        }
    }
    return static_cast<Action>(byte % kActionCount);
}

const ShapeRecord& DecodeShape(std::uint8_t byte) {
    const auto& records = BuiltShapes().Records();
    const std::size_t count = records.size();
    const bool letter = byte >= 'a' && byte < 'a' + count;
    return records[letter ? byte - 'a' : byte % count];
}

bool GameRuns(GameState state) {
    return state == GameState::Starting || state == GameState::Playing ||
           state == GameState::Landed;
}

// Plays one input on a fresh game, in the Idle state the window reaches after its creation.
class RulesPlayer {
  public:
    RulesPlayer() { rules_.state = GameState::Idle; }

    void Play(const std::uint8_t* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            step_ = i;
            action_ = DecodeAction(data[i]);
            rules_.hooks.clear();
            if (action_ == Action::ChoosePreview) {
                if (i + 1 == size) {
                    return;
                }
                ChoosePreview(DecodeShape(data[++i]));
            } else {
                Perform(action_);
            }
            CheckInvariants();
        }
    }

  private:
    void Perform(Action action) {
        switch (action) {
            case Action::Left:
                Sideways(-1);
                break;
            case Action::Right:
                Sideways(1);
                break;
            case Action::Turn:
                // The window skips the turn while paused; the rules refuse it as well, so the
                // fuzzer calls them regardless.
                Turn();
                break;
            case Action::Drop:
                Drop();
                break;
            case Action::Pause:
                TogglePause();
                break;
            case Action::Button:
                Button();
                break;
            case Action::StartDelayTick:
                BeginPlay();
                break;
            case Action::FallTick:
                FallTick();
                break;
            case Action::SpawnTick:
                AdvanceAfterLanding();
                break;
            case Action::GameOverTick:
                CompleteGameOver();
                break;
            case Action::ChoosePreview:
            case Action::Count:
                break;
        }
    }

    // ---- The player's keys ----

    bool PlayerCanAct() const {
        return !rules_.paused && rules_.state == GameState::Playing && rules_.currentType != 0;
    }

    // Returns whether a key acted. A refused key changes nothing and asks for no repaint; a key
    // that acts may do so only in a running game and repaints the board once.
    bool KeyActed(const RulesSnapshot& before, bool couldAct) {
        if (rules_.hooks.empty()) {
            Require(RulesSnapshot(rules_) == before, "a refused key changed a field");
            return false;
        }
        Require(rules_.hooks == "B", "a key asked for another repaint than the board's");
        Require(couldAct, "a key acted on a paused or stopped game, or without a piece");
        Require(SameExceptPiecePosition(before), "a key changed more than the piece's position");
        return true;
    }

    bool SameExceptPiecePosition(const RulesSnapshot& before) const {
        RulesSnapshot after(rules_);
        after.pieceX = before.pieceX;
        after.pieceY = before.pieceY;
        after.currentOrientation = before.currentOrientation;
        std::copy(std::begin(before.pieceCells), std::end(before.pieceCells), after.pieceCells);
        return after == before;
    }

    void Sideways(std::int32_t dx) {
        const RulesSnapshot before(rules_);
        const bool couldAct = PlayerCanAct();
        const Well well = CopyWell(rules_);
        bool free = couldAct;
        for (const Cell& cell : before.pieceCells) {
            free = free && !Blocked(well, {cell.x + dx, cell.y});
        }
        if (dx < 0) {
            rules_.MovePieceLeft();
        } else {
            rules_.MovePieceRight();
        }
        const bool moved = KeyActed(before, couldAct);
        Require(moved || !free, "a sideways move into free cells was refused");
        Require(!moved || free, "a sideways move went into a wall or a block");
        Require(!moved || (rules_.pieceX == before.pieceX + dx && rules_.pieceY == before.pieceY &&
                           rules_.currentOrientation == before.currentOrientation),
                "a sideways move did not shift the piece by one column");
    }

    // Returns whether the falling piece may turn from where it stands: the next orientation exists
    // and its cells, and the cells swept on the way, are inside the well and free.
    bool TurnFits() const {
        const std::int32_t next = rules_.currentOrientation % 4 + 1;
        const ShapeRecord* current =
            BuiltShapes().FindShape(rules_.currentType, rules_.currentOrientation);
        const ShapeRecord* turned = BuiltShapes().FindShape(rules_.currentType, next);
        if (current == nullptr || turned == nullptr) {
            return false;
        }
        const Well well = CopyWell(rules_);
        const Cell origin = {rules_.pieceX, rules_.pieceY};
        for (const Cell& cell : turned->cells) {
            if (Blocked(well, {cell.x + origin.x, cell.y + origin.y})) {
                return false;
            }
        }
        for (const Cell& cell : current->sweepCells) {
            if (cell.x == ShapeRecord::kSweepEnd) {
                break;
            }
            if (Blocked(well, {cell.x + origin.x, cell.y + origin.y})) {
                return false;
            }
        }
        return true;
    }

    void Turn() {
        const RulesSnapshot before(rules_);
        const bool couldAct = PlayerCanAct();
        const bool fits = couldAct && TurnFits();
        rules_.RotatePiece();
        const bool turned = KeyActed(before, couldAct);
        Require(turned || !fits, "a turn into free cells was refused");
        Require(!turned || fits, "a turn went into a wall or a block, or across one");
        Require(!turned || before.currentType != kSquareType, "the square turned");
        Require(!turned || (rules_.currentOrientation == before.currentOrientation % 4 + 1 &&
                            rules_.pieceX == before.pieceX && rules_.pieceY == before.pieceY),
                "a turn did not go to the next orientation in place");
    }

    void Drop() {
        const RulesSnapshot before(rules_);
        const bool couldAct = PlayerCanAct();
        const bool couldFall = couldAct && !Resting(rules_);
        rules_.DropPiece();
        const bool dropped = KeyActed(before, couldAct);
        Require(dropped == couldFall,
                "a drop moved a resting piece or refused one with room below");
        Require(!dropped || (Resting(rules_) && rules_.pieceY > before.pieceY &&
                             rules_.pieceX == before.pieceX &&
                             rules_.currentOrientation == before.currentOrientation),
                "a drop did not take the piece straight down as far as it goes");
    }

    // ---- The game flow of the window, less its controls and timers ----

    void TogglePause() {
        if (rules_.state == GameState::Playing) {
            rules_.paused = !rules_.paused;
        }
    }

    void Button() {
        if (rules_.state == GameState::Playing || rules_.state == GameState::Landed) {
            StopGame();
        } else if (rules_.state != GameState::Starting) {
            StartGame();
        }
    }

    void StartGame() {
        if (rules_.state == GameState::GameOverPause) {
            StopGame();
        }
        rules_.state = GameState::Idle;
        rules_.ClearGame();
        rules_.paused = false;
        rules_.state = GameState::Starting;
        expectedRows_ = 0;
        expectedScore_ = 0;
    }

    void StopGame() {
        Well expected = CopyWell(rules_);
        if (rules_.currentType != 0) {
            for (const Cell& cell : rules_.pieceCells) {
                expected[cell.x][cell.y] = 1;
            }
        }
        rules_.state = GameState::Idle;
        rules_.FreezePiece();
        rules_.nextType = 0;
        Require(rules_.currentType == 0 && CopyWell(rules_) == expected,
                "a stop did not leave the falling piece as blocks where it was");
    }

    void BeginPlay() {
        if (rules_.state != GameState::Starting) {
            return;
        }
        rules_.state = GameState::Playing;
        const RulesSnapshot before(rules_);
        Require(rules_.SpawnPiece(), "the first piece of a game did not fit in the empty well");
        CheckSpawn(before);
    }

    void AdvanceAfterLanding() {
        if (rules_.state != GameState::Landed) {
            return;
        }
        const RulesSnapshot before(rules_);
        const bool fits = rules_.SpawnPiece();
        CheckSpawn(before);
        bool overlaps = false;
        for (const Cell& cell : rules_.pieceCells) {
            overlaps = overlaps || rules_.board[cell.x][cell.y] != 0;
        }
        Require(fits != overlaps, "a spawn's result does not tell whether the piece overlaps");
        if (fits) {
            rules_.state = GameState::Playing;
            return;
        }
        const RulesSnapshot lost(rules_);
        rules_.LoseGame();
        Require(rules_.hooks == "CE" && rules_.currentType == 0,
                "a lost game did not freeze the piece that did not fit");
        for (const Cell& cell : lost.pieceCells) {
            Require(rules_.board[cell.x][cell.y] == 1, "the piece that did not fit is not shown");
        }
    }

    // A new piece is the previewed one, if any, at the top of the frame's spawn column, with a
    // new preview chosen; the whole client area is repainted.
    void CheckSpawn(const RulesSnapshot& before) {
        Require(rules_.hooks == "C", "a spawn did not repaint the client area once");
        Require(rules_.currentType != 0 && rules_.nextType != 0,
                "a spawn left no falling or no next piece");
        Require(before.nextType == 0 || (rules_.currentType == before.nextType &&
                                         rules_.currentOrientation == before.nextOrientation),
                "the new piece is not the one that was previewed");
        Require(rules_.pieceX == GameRules::kSpawnColumn && rules_.pieceY == 0,
                "a new piece did not enter at the top of the spawn column");
        const ShapeRecord* shape =
            BuiltShapes().FindShape(rules_.currentType, rules_.currentOrientation);
        for (int i = 0; shape != nullptr && i < ShapeRecord::kCellCount; ++i) {
            const Cell expected = {shape->cells[i].x + rules_.pieceX,
                                   shape->cells[i].y + rules_.pieceY};
            Require(rules_.pieceCells[i] == expected, "a new piece's cells are not its shape's");
        }
        Require(std::memcmp(rules_.board, before.board, sizeof(before.board)) == 0,
                "a spawn changed the well");
    }

    void CompleteGameOver() {
        if (rules_.state == GameState::GameOverPause) {
            rules_.state = GameState::Idle;
            rules_.nextType = 0;
        }
    }

    void ChoosePreview(const ShapeRecord& shape) {
        if (GameRuns(rules_.state)) {
            rules_.nextType = shape.type;
            rules_.nextOrientation = shape.orientation;
        }
    }

    // ---- Fall steps and landings ----

    void FallTick() {
        if (rules_.state != GameState::Playing && rules_.state != GameState::Landed) {
            return;
        }
        const RulesSnapshot before(rules_);
        if (!PlayerCanAct()) {
            rules_.StepPiece();
            Require(RulesSnapshot(rules_) == before && rules_.hooks.empty(),
                    "a fall step acted without a falling piece or while paused");
        } else if (!Resting(rules_)) {
            rules_.StepPiece();
            Require(rules_.hooks == "B", "a fall step did not repaint the board once");
            Require(SameExceptPiecePosition(before) && rules_.pieceY == before.pieceY + 1 &&
                        rules_.pieceX == before.pieceX &&
                        rules_.currentOrientation == before.currentOrientation,
                    "a fall step did not move the piece down one row");
        } else {
            Land();
        }
    }

    // A resting piece lands: the well must match the plain model, and the rows and points are
    // counted here to be compared with the rules' own count after every action.
    void Land() {
        const LandingModel model(rules_);
        const std::int32_t previewType = rules_.nextType;
        rules_.StepPiece();
        Require(rules_.currentType == 0, "a landed piece is still falling");
        Require(CopyWell(rules_) == model.well, "the well after a landing differs from the model");
        Require(rules_.nextType == (model.lost ? 0 : previewType), "a landing changed the preview");
        if (model.lost) {
            Require(rules_.hooks == "EC" && rules_.stateAtEndGame == GameState::Landed &&
                        rules_.state == GameState::GameOverPause,
                    "a full well did not end the game");
            return;
        }
        Require(rules_.hooks == "C" && rules_.state == GameState::Landed,
                "a landing did not leave the game Landed with the client area repainted");
        Require(model.fullRows <= kMostRowsAtOnce, "more rows were full than a piece spans");
        expectedRows_ += model.fullRows;
        expectedScore_ += kPointsForRows[model.fullRows];
    }

    // ---- Checks after every action ----

    void CheckInvariants() const {
        const std::string broken = FindBrokenInvariant(rules_);
        if (!broken.empty()) {
            Fail(broken.c_str());
        }
        Require(rules_.rowsRemoved == expectedRows_, "the row count is not the rows removed");
        Require(rules_.score == expectedScore_, "the score is not the points of the rows removed");
        CheckFlow();
    }

    // What the flow guarantees between its own steps.
    void CheckFlow() const {
        if (rules_.state == GameState::Starting) {
            const bool cleared = rules_.currentType == 0 && CopyWell(rules_) == Well{} &&
                                 rules_.score == 0 && rules_.rowsRemoved == 0;
            Require(cleared, "a game waits to begin on a well that was not cleared");
        }
        if (!GameRuns(rules_.state)) {
            Require(rules_.nextType == 0, "a piece is previewed while no game runs");
        }
        // The pause flag is set only while playing, and cleared only by the next start.
        Require(
            !rules_.paused || rules_.state == GameState::Playing || rules_.state == GameState::Idle,
            "the game is paused outside Playing and Idle");
    }

    void Require(bool holds, const char* what) const {
        if (!holds) {
            Fail(what);
        }
    }

    [[noreturn]] void Fail(const char* what) const {
        std::fprintf(stderr, "rules_fuzzer: after action %zu ('%c'): %s\n", step_,
                     kActionLetters[static_cast<int>(action_)], what);
        PrintGame();
        std::abort();
    }

    // Prints the fields and the well: '#' a landed block, '@' a cell of the falling piece.
    void PrintGame() const {
        std::fprintf(stderr,
                     "state %d, paused %d, piece %d/%d at (%d,%d), next %d/%d, rows %u (expected "
                     "%u), score %u (expected %u), hooks \"%s\"\n",
                     static_cast<int>(rules_.state), rules_.paused ? 1 : 0, rules_.currentType,
                     rules_.currentOrientation, rules_.pieceX, rules_.pieceY, rules_.nextType,
                     rules_.nextOrientation, rules_.rowsRemoved, expectedRows_, rules_.score,
                     expectedScore_, rules_.hooks.c_str());
        for (int y = 0; y < GameRules::kWellHeight; ++y) {
            std::string row;
            for (int x = 0; x < GameRules::kWellWidth; ++x) {
                row += IsPieceCell({x, y}) ? '@' : rules_.board[x][y] != 0 ? '#' : '.';
            }
            std::fprintf(stderr, "  %s\n", row.c_str());
        }
    }

    bool IsPieceCell(Cell cell) const {
        if (rules_.currentType == 0) {
            return false;
        }
        for (const Cell& pieceCell : rules_.pieceCells) {
            if (pieceCell == cell) {
                return true;
            }
        }
        return false;
    }

    HookRecordingRules rules_;
    std::uint32_t expectedRows_ = 0;
    std::uint32_t expectedScore_ = 0;
    std::size_t step_ = 0;
    Action action_ = Action::Count;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The pieces the rules choose themselves must be the same on every run of an input.
    std::srand(1);
    RulesPlayer player;
    player.Play(data, size);
    return 0;
}
