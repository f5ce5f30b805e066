// Game rules for tests: records the repaint and end-of-game calls and ends a game like the window.
#pragma once

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GameRules.h"
#include "RulesInvariants.h"
#include "ShapeTable.h"

inline std::ostream& operator<<(std::ostream& out, Cell cell) {
    return out << '(' << cell.x << ',' << cell.y << ')';
}

// Rules for the unit tests: the recorded hooks, plus a way to put a piece anywhere.
class RecordingRules : public HookRecordingRules {
  public:
    explicit RecordingRules(const ShapeTable& shapes = BuiltShapes())
        : HookRecordingRules(shapes), shapes_(shapes) {}

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

  private:
    const ShapeTable& shapes_;
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
