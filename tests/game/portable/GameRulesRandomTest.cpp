// Thousands of random games played on the real game flow, every action judged by the referee.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "PlayReferee.h"

namespace {

using Action = PlayReferee::Action;

constexpr int kWidth = GameRules::WellWidth;
constexpr int kHeight = GameRules::WellHeight;
constexpr int kSequences = 1000;
constexpr int kActionsPerSequence = 500;

// The values the player's choice of level may come as, unknown ones included.
const std::intptr_t kChosenLevels[] = {1, 2, 3, GameFlow::NoLevel, 0, 7};

class RandomPlayer {
  public:
    RandomPlayer(unsigned seed, PlayReferee::Reached& reached) : random_(seed), referee_(reached) {
        std::srand(seed);
    }

    // Plays a sequence of random actions; returns what the first broken one broke, or "".
    std::string Play(int actions) {
        RecordingFlow& flow = referee_.Flow();
        for (int i = 0; i < actions; ++i) {
            const Action action = Choose();
            if (Chance(0.002)) {
                // The system now and then cannot start a timer.
                flow.refusedStarts.insert(GameFlow::StartDelayTimer + random_() % 4);
            }
            if (action == Action::Button) {
                flow.chosenLevel = kChosenLevels[random_() % std::size(kChosenLevels)];
            }
            const GameState before = flow.state;
            const std::string broken = referee_.Play(action);
            if (!broken.empty()) {
                return "after action " + std::to_string(i) + ", " + broken;
            }
            if (before == GameState::Starting && flow.state == GameState::Playing) {
                FillBottomRows(flow);
            }
        }
        return "";
    }

  private:
    Action Choose() {
        const RecordingFlow& flow = referee_.Flow();
        // A paused game is resumed soon, so that most actions reach a running game.
        if (flow.paused && flow.state == GameState::Playing && Chance(0.3)) {
            return Action::Pause;
        }
        const bool runs = flow.state == GameState::Playing || flow.state == GameState::Landed;
        return static_cast<Action>(runs ? whileRunning_(random_) : otherwise_(random_));
    }

    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

    // Random play alone seldom completes a row, so most games begin with a stack of rows that
    // share one gap column, now and then with a second gap.
    void FillBottomRows(RecordingFlow& flow) {
        const int rows = std::uniform_int_distribution<int>(0, 12)(random_);
        std::uniform_int_distribution<int> column(0, kWidth - 1);
        const int shaft = column(random_);
        for (int y = kHeight - rows; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                flow.board[x][y] = x == shaft ? 0 : 1;
            }
            if (Chance(0.3)) {
                flow.board[column(random_)][y] = 0;
            }
        }
    }

    std::mt19937 random_;
    PlayReferee referee_;
    // Mostly moves and fall steps; the button seldom stops a running game. Made once, as making
    // them allocates.
    std::discrete_distribution<int> whileRunning_{3, 3, 3, 1.5, 0.1, 0.03, 3, 6, 3, 3};
    std::discrete_distribution<int> otherwise_{3, 3, 3, 1.5, 0.1, 1, 3, 6, 3, 3};
};

TEST(GameRulesRandomPlay, RulesAndFlowHoldOverThousandsOfRandomGames) {
    PlayReferee::Reached total;
    for (unsigned seed = 1; seed <= kSequences; ++seed) {
        RandomPlayer player(seed, total);
        ASSERT_EQ(player.Play(kActionsPerSequence), "") << "seed " << seed;
    }
    std::printf(
        "games %d, landings %d, rows %d (multi %d), losses %d by spawn, %d by a full "
        "well, turns %d, drops %d\n",
        total.games, total.landings, total.rowsRemoved, total.multiRowRemovals, total.spawnLosses,
        total.fullWellLosses, total.turns, total.drops);
    // The sequences must have reached landings, removals and both kinds of loss, or they prove
    // little.
    EXPECT_GT(total.landings, 10000);
    EXPECT_GT(total.rowsRemoved, 100);
    EXPECT_GT(total.multiRowRemovals, 0);
    EXPECT_GT(total.spawnLosses, 100);
    EXPECT_GT(total.fullWellLosses, 0);
    EXPECT_GT(total.turns, 1000);
    EXPECT_GT(total.drops, 1000);
}

}  // namespace
