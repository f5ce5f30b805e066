#include "GameBot.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "RecordingFlow.h"

namespace {

constexpr int Width = GameRules::WellWidth;
constexpr int Height = GameRules::WellHeight;
// Share of pieces placed at the best column; the rest go anywhere they fit.
constexpr int CarefulPercent = 60;
// Weights of the rating: rows removed are good, holes and height bad.
constexpr double RowWeight = 8.0;
constexpr double HoleWeight = -4.0;
constexpr double HeightWeight = -0.5;
constexpr double BumpWeight = -0.2;

}  // namespace

GameBot::GameBot(std::uint32_t seed) : random_(seed) {}

int GameBot::Turns() {
    return std::uniform_int_distribution<int>(0, 3)(random_);
}

bool GameBot::LetsFall() {
    return std::uniform_int_distribution<int>(0, 9)(random_) == 0;
}

int GameBot::Slide(const TestMainWnd& game) {
    std::vector<int> fitting;
    int best = 0;
    double bestRating = 0.0;
    for (int shift = -Width; shift <= Width; ++shift) {
        const std::optional<double> rating = Rate(game, shift);
        if (rating && (fitting.empty() || *rating > bestRating)) {
            best = shift;
            bestRating = *rating;
        }
        if (rating) {
            fitting.push_back(shift);
        }
    }
    if (fitting.empty()) {
        return 0;
    }
    if (std::uniform_int_distribution<int>(0, 99)(random_) < CarefulPercent) {
        return best;
    }
    return fitting[std::uniform_int_distribution<std::size_t>(0, fitting.size() - 1)(random_)];
}

// The well after the drop comes from the game's own rules, played on a copy of the game: the
// piece slides a column at a time as far as it may, drops and lands, and full rows go.
std::optional<double> GameBot::Rate(const TestMainWnd& game, int shift) const {
    RecordingFlow trial;
    std::copy(&game.board[0][0], &game.board[0][0] + Width * Height, &trial.board[0][0]);
    trial.Place(game.currentType, game.currentOrientation, game.pieceX, game.pieceY);
    for (int step = 0; step < std::abs(shift); ++step) {
        const std::int32_t column = trial.pieceX;
        if (shift < 0) {
            trial.MovePieceLeft();
        } else {
            trial.MovePieceRight();
        }
        if (trial.pieceX == column) {
            return std::nullopt;
        }
    }
    trial.DropPiece();
    trial.StepPiece();

    int holes = 0;
    int totalHeight = 0;
    int bumps = 0;
    int previousHeight = -1;
    for (const auto& column : trial.board) {
        const auto* top =
            std::find_if(column, column + Height, [](auto cell) { return cell != 0; });
        const int height = static_cast<int>(column + Height - top);
        holes += static_cast<int>(std::count(top, column + Height, 0));
        totalHeight += height;
        bumps += previousHeight >= 0 ? std::abs(height - previousHeight) : 0;
        previousHeight = height;
    }
    return RowWeight * static_cast<int>(trial.rowsRemoved) + HoleWeight * holes +
           HeightWeight * totalHeight + BumpWeight * bumps;
}
