#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "GameRules.h"
#include "RecordingRules.h"
#include "RulesInvariants.h"

namespace {

constexpr int kWidth = GameRules::kWellWidth;
constexpr int kHeight = GameRules::kWellHeight;
constexpr int kSequences = 1000;
constexpr int kActionsPerSequence = 500;

enum class Action { Left, Right, Rotate, Drop, Step, Advance, Start, Stop, TogglePause };

const char* const kActionNames[] = {"left",    "right", "rotate", "drop", "step",
                                    "advance", "start", "stop",   "pause"};

// How much the random player has seen, to make sure the sequences reach the interesting parts.
struct Coverage {
    int landings = 0;
    int rowsRemoved = 0;
    int multiRowRemovals = 0;
    int spawnLosses = 0;
    int fullWellLosses = 0;
    int turns = 0;
    int drops = 0;
};

class RandomPlayer {
  public:
    RandomPlayer(unsigned seed, Coverage& coverage) : random_(seed), coverage_(coverage) {
        std::srand(seed);
    }

    // Plays a sequence of random actions, checking the rules after every one.
    void Play(int actions) {
        for (int i = 0; i < actions; ++i) {
            const Action action = Choose();
            rules_.hooks.clear();
            Perform(action);
            if (!::testing::Test::HasFailure()) {
                CheckInvariants();
            }
            // Naming the action only on failure keeps thousands of games fast.
            if (::testing::Test::HasFailure()) {
                ADD_FAILURE() << "after action " << i << " ("
                              << kActionNames[static_cast<int>(action)] << ")";
                return;
            }
        }
    }

  private:
    Action Choose() {
        // A paused game is resumed soon, so that most actions reach a running game.
        if (rules_.paused && Chance(0.3)) {
            return Action::TogglePause;
        }
        return static_cast<Action>(pickAction_(random_));
    }

    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

    void Perform(Action action) {
        switch (action) {
            case Action::Left:
                CheckSideways(-1, [this] { rules_.MovePieceLeft(); });
                break;
            case Action::Right:
                CheckSideways(1, [this] { rules_.MovePieceRight(); });
                break;
            case Action::Rotate:
                CheckRotate();
                break;
            case Action::Drop:
                CheckDrop();
                break;
            case Action::Step:
                CheckStep();
                break;
            case Action::Advance:
                Advance();
                break;
            case Action::Start:
                Start();
                break;
            case Action::Stop:
                if (rules_.state == GameState::Playing || rules_.state == GameState::Landed) {
                    rules_.state = GameState::Idle;
                    rules_.FreezePiece();
                    rules_.nextType = 0;
                }
                break;
            case Action::TogglePause:
                if (rules_.state == GameState::Playing) {
                    rules_.paused = !rules_.paused;
                }
                break;
        }
    }

    bool PlayerCanAct() const {
        return !rules_.paused && rules_.state == GameState::Playing && rules_.currentType != 0;
    }

    // Either the action was refused and nothing changed, or it repainted the board once.
    bool ExpectRefusedOrBoardRepaint(const RulesSnapshot& before) {
        if (rules_.hooks.empty()) {
            EXPECT_TRUE(RulesSnapshot(rules_) == before) << "a refused action changed a field";
            return false;
        }
        EXPECT_EQ(rules_.hooks, "B");
        EXPECT_TRUE(PlayerCanAct());
        return true;
    }

    template <typename Move>
    void CheckSideways(std::int32_t dx, Move move) {
        const RulesSnapshot before(rules_);
        const Well well = CopyWell(rules_);
        bool free = PlayerCanAct();
        for (const Cell& cell : before.pieceCells) {
            free = free && !Blocked(well, {cell.x + dx, cell.y});
        }
        move();
        const bool moved = ExpectRefusedOrBoardRepaint(before);
        ASSERT_EQ(moved, free);
        if (moved) {
            EXPECT_EQ(rules_.pieceX, before.pieceX + dx);
            EXPECT_EQ(rules_.pieceY, before.pieceY);
        }
    }

    void CheckRotate() {
        const RulesSnapshot before(rules_);
        rules_.RotatePiece();
        if (ExpectRefusedOrBoardRepaint(before)) {
            ++coverage_.turns;
            EXPECT_NE(before.currentType, 2) << "the square has nothing to turn to";
            EXPECT_EQ(rules_.currentOrientation, before.currentOrientation % 4 + 1);
            EXPECT_EQ(rules_.pieceX, before.pieceX);
            EXPECT_EQ(rules_.pieceY, before.pieceY);
        }
    }

    void CheckDrop() {
        const RulesSnapshot before(rules_);
        const bool couldFall = PlayerCanAct() && !Resting(rules_);
        rules_.DropPiece();
        ASSERT_EQ(ExpectRefusedOrBoardRepaint(before), couldFall);
        if (couldFall) {
            ++coverage_.drops;
            EXPECT_GT(rules_.pieceY, before.pieceY);
            EXPECT_EQ(rules_.pieceX, before.pieceX);
            EXPECT_TRUE(Resting(rules_)) << "a drop goes all the way down";
            EXPECT_EQ(rules_.currentType, before.currentType) << "a drop does not land";
        }
    }

    void CheckStep() {
        const RulesSnapshot before(rules_);
        const bool acts =
            !rules_.paused && rules_.state == GameState::Playing && rules_.currentType != 0;
        if (!acts) {
            rules_.StepPiece();
            EXPECT_TRUE(RulesSnapshot(rules_) == before);
            EXPECT_EQ(rules_.hooks, "");
            return;
        }
        if (!Resting(rules_)) {
            rules_.StepPiece();
            EXPECT_EQ(rules_.hooks, "B");
            EXPECT_EQ(rules_.pieceY, before.pieceY + 1);
            return;
        }
        const LandingModel model(rules_);
        rules_.StepPiece();
        ++coverage_.landings;
        EXPECT_EQ(rules_.currentType, 0);
        EXPECT_TRUE(CopyWell(rules_) == model.well) << "the well after the landing";
        if (model.lost) {
            ++coverage_.fullWellLosses;
            EXPECT_EQ(rules_.hooks, "EC");
            EXPECT_EQ(rules_.state, GameState::GameOverPause);
            EXPECT_EQ(rules_.rowsRemoved, before.rowsRemoved);
            EXPECT_EQ(rules_.score, before.score);
            return;
        }
        EXPECT_EQ(rules_.hooks, "C");
        EXPECT_EQ(rules_.state, GameState::Landed);
        const std::uint32_t removed = rules_.rowsRemoved - before.rowsRemoved;
        EXPECT_EQ(removed, model.fullRows);
        ASSERT_LE(removed, 4u);
        expectedScore_ += removed == 0 ? 0 : GameRules::kRowPoints[removed - 1];
        coverage_.rowsRemoved += static_cast<int>(removed);
        coverage_.multiRowRemovals += removed > 1 ? 1 : 0;
    }

    // The spawn tick of the window: the next piece enters, or the game is lost.
    void Advance() {
        if (rules_.state != GameState::Landed) {
            return;
        }
        if (rules_.SpawnPiece()) {
            rules_.state = GameState::Playing;
            EXPECT_EQ(rules_.hooks, "C");
            return;
        }
        const Well well = CopyWell(rules_);
        bool overlaps = false;
        for (const Cell& cell : rules_.pieceCells) {
            overlaps = overlaps || well[cell.x][cell.y] != 0;
        }
        EXPECT_TRUE(overlaps) << "a spawn failed without overlapping blocks";
        rules_.LoseGame();
        ++coverage_.spawnLosses;
        EXPECT_EQ(rules_.hooks, "CE");
        EXPECT_EQ(rules_.currentType, 0);
    }

    // The start button and the start delay of the window, on a game that is not running.
    void Start() {
        if (rules_.state == GameState::Playing || rules_.state == GameState::Landed) {
            return;
        }
        if (rules_.state == GameState::GameOverPause) {
            rules_.state = GameState::Idle;
            rules_.FreezePiece();
            rules_.nextType = 0;
        }
        rules_.ClearGame();
        FillBottomRows();
        rules_.paused = false;
        rules_.state = GameState::Playing;
        expectedScore_ = 0;
        ASSERT_TRUE(rules_.SpawnPiece()) << "the first piece always fits";
    }

    // Random play alone seldom completes a row, so most games begin with a stack of rows that
    // share one gap column, now and then with a second gap.
    void FillBottomRows() {
        const int rows = std::uniform_int_distribution<int>(0, 12)(random_);
        std::uniform_int_distribution<int> column(0, kWidth - 1);
        const int shaft = column(random_);
        for (int y = kHeight - rows; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                rules_.board[x][y] = x == shaft ? 0 : 1;
            }
            if (Chance(0.3)) {
                rules_.board[column(random_)][y] = 0;
            }
        }
    }

    void CheckInvariants() {
        const std::string broken = FindBrokenInvariant(rules_);
        ASSERT_TRUE(broken.empty()) << broken;
        ASSERT_EQ(rules_.score, expectedScore_);
    }

    std::mt19937 random_;
    // Weights in the order of Action: mostly moves and fall steps, seldom a stop or a pause.
    std::discrete_distribution<int> pickAction_{3, 3, 3, 1.5, 6, 3, 1, 0.03, 0.1};
    Coverage& coverage_;
    RecordingRules rules_;
    std::uint32_t expectedScore_ = 0;
};

TEST(GameRulesRandomPlay, RulesHoldOverThousandsOfRandomGames) {
    Coverage coverage;
    for (unsigned seed = 1; seed <= kSequences; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomPlayer player(seed, coverage);
        player.Play(kActionsPerSequence);
        if (HasFailure()) {
            return;
        }
    }
    // The sequences must have reached landings, removals and losses, or they prove little.
    EXPECT_GT(coverage.landings, 10000);
    EXPECT_GT(coverage.rowsRemoved, 100);
    EXPECT_GT(coverage.multiRowRemovals, 0);
    EXPECT_GT(coverage.spawnLosses, 100);
    EXPECT_GT(coverage.turns, 1000);
    EXPECT_GT(coverage.drops, 1000);
    std::printf("landings %d, rows %d (multi %d), losses %d by spawn, %d by a full well\n",
                coverage.landings, coverage.rowsRemoved, coverage.multiRowRemovals,
                coverage.spawnLosses, coverage.fullWellLosses);
}

}  // namespace
