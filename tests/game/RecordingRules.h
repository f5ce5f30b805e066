// Game rules for tests: records the repaint and end-of-game calls and ends a game like the window.
#pragma once

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GameRules.h"
#include "ShapeTable.h"

inline std::ostream& operator<<(std::ostream& out, Cell cell) {
    return out << '(' << cell.x << ',' << cell.y << ')';
}

// Returns a shape table built once for all tests.
inline const ShapeTable& BuiltShapes() {
    static const ShapeTable shapes = [] {
        ShapeTable table;
        table.Build();
        return table;
    }();
    return shapes;
}

class RecordingRules : public GameRules {
  public:
    explicit RecordingRules(const ShapeTable& shapes = BuiltShapes())
        : GameRules(shapes), shapes_(shapes) {}

    // The hooks called so far, in order: 'B' board repaint, 'C' client-area repaint, 'E' game lost.
    std::string hooks;
    // The state the rules had set when they reported the lost game.
    GameState stateAtEndGame = GameState::NotReady;

    // Puts a falling piece at the given frame origin of a running game, as if it had been
    // spawned and moved there.
    void Place(std::int32_t type, std::int32_t orientation, std::int32_t x, std::int32_t y) {
        const ShapeRecord* shape = shapes_.FindShape(type, orientation);
        ASSERT_NE(shape, nullptr);
        state = GameState::Playing;
        paused = false;
        currentType = type;
        currentOrientation = orientation;
        pieceX = x;
        pieceY = y;
        for (int i = 0; i < ShapeRecord::kCellCount; ++i) {
            pieceCells[i] = {shape->cells[i].x + x, shape->cells[i].y + y};
        }
    }

    // Ends a lost game as the window does after a failed spawn.
    void LoseGame() { EndGame(); }

  protected:
    void RepaintBoard() override { hooks += 'B'; }
    void RepaintClientArea() override { hooks += 'C'; }

    // Does what the window does with a lost game, less its timers and controls.
    void EndGame() override {
        hooks += 'E';
        stateAtEndGame = state;
        state = GameState::GameOverPause;
        FreezePiece();
        nextType = 0;
    }

  private:
    const ShapeTable& shapes_;
};

// Every field of the rules at one moment, to show that a refused action changed nothing.
struct RulesSnapshot {
    explicit RulesSnapshot(const GameRules& rules)
        : paused(rules.paused),
          state(rules.state),
          currentType(rules.currentType),
          pieceX(rules.pieceX),
          pieceY(rules.pieceY),
          currentOrientation(rules.currentOrientation),
          nextType(rules.nextType),
          nextOrientation(rules.nextOrientation),
          level(rules.level),
          rowsRemoved(rules.rowsRemoved),
          score(rules.score) {
        std::copy(std::begin(rules.pieceCells), std::end(rules.pieceCells), pieceCells);
        std::memcpy(board, rules.board, sizeof(board));
    }

    bool operator==(const RulesSnapshot& other) const {
        return paused == other.paused && state == other.state && currentType == other.currentType &&
               pieceX == other.pieceX && pieceY == other.pieceY &&
               currentOrientation == other.currentOrientation &&
               std::equal(std::begin(pieceCells), std::end(pieceCells),
                          std::begin(other.pieceCells)) &&
               nextType == other.nextType && nextOrientation == other.nextOrientation &&
               std::memcmp(board, other.board, sizeof(board)) == 0 && level == other.level &&
               rowsRemoved == other.rowsRemoved && score == other.score;
    }

    bool paused;
    GameState state;
    std::int32_t currentType;
    std::int32_t pieceX;
    std::int32_t pieceY;
    std::int32_t currentOrientation;
    Cell pieceCells[ShapeRecord::kCellCount];
    std::int32_t nextType;
    std::int32_t nextOrientation;
    std::uint8_t board[GameRules::kWellWidth][GameRules::kWellHeight];
    std::int32_t level;
    std::uint32_t rowsRemoved;
    std::uint32_t score;
};

// Fills the bottom rows of the well from a picture whose last line is row 17: 'X' is a block,
// anything else an empty cell. The rows above the picture are emptied.
inline void LoadBottomRows(GameRules& rules, const std::vector<std::string>& picture) {
    for (auto& column : rules.board) {
        std::fill(std::begin(column), std::end(column), std::uint8_t{0});
    }
    const int top = GameRules::kWellHeight - static_cast<int>(picture.size());
    for (size_t i = 0; i < picture.size(); ++i) {
        for (int x = 0; x < GameRules::kWellWidth; ++x) {
            rules.board[x][top + static_cast<int>(i)] = picture[i][x] == 'X' ? 1 : 0;
        }
    }
}

// Returns the bottom rows of the well as a picture in the form LoadBottomRows reads.
inline std::vector<std::string> BottomRows(const GameRules& rules, int count) {
    std::vector<std::string> picture;
    for (int y = GameRules::kWellHeight - count; y < GameRules::kWellHeight; ++y) {
        std::string row;
        for (int x = 0; x < GameRules::kWellWidth; ++x) {
            row += rules.board[x][y] != 0 ? 'X' : '.';
        }
        picture.push_back(row);
    }
    return picture;
}

inline int CountBlocks(const GameRules& rules) {
    int blocks = 0;
    for (const auto& column : rules.board) {
        for (std::uint8_t cell : column) {
            blocks += cell != 0 ? 1 : 0;
        }
    }
    return blocks;
}
