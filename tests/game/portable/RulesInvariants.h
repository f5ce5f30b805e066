// What the rules' tests and their fuzzer share: a snapshot of every field, a plain model of a
// landing and the invariants that hold between any two actions. Nothing here needs GoogleTest,
// so the fuzzer can use it too.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <iterator>
#include <tuple>

#include "RecordingFlow.h"

// A copy of the well, [x][y] like the rules' board, and of the falling piece's cells: unlike
// Cells, copies that need no allocation, for the checks of every action.
using Well = std::array<std::array<std::uint8_t, GameRules::WellHeight>, GameRules::WellWidth>;
using FourCells = std::array<Cell, ShapeRecord::CellCount>;

inline Well CopyWell(const RecordingFlow& rules) {
    static_assert(sizeof(Well) == sizeof rules.board, "a well is laid out like the board");
    Well well;
    std::memcpy(&well, rules.board, sizeof well);
    return well;
}

inline FourCells CopyPieceCells(const RecordingFlow& rules) {
    FourCells cells;
    std::copy(std::begin(rules.pieceCells), std::end(rules.pieceCells), cells.begin());
    return cells;
}

// Every field of the game at one moment, to show that a refused action changed nothing.
struct RulesSnapshot {
    explicit RulesSnapshot(const RecordingFlow& rules)
        : statusText(rules.statusText),
          paused(rules.paused),
          state(rules.state),
          currentType(rules.currentType),
          pieceX(rules.pieceX),
          pieceY(rules.pieceY),
          currentOrientation(rules.currentOrientation),
          pieceCells(CopyPieceCells(rules)),
          nextType(rules.nextType),
          nextOrientation(rules.nextOrientation),
          board(CopyWell(rules)),
          level(rules.level),
          rowsRemoved(rules.rowsRemoved),
          score(rules.score) {}

    const wchar_t* statusText;
    bool paused;
    GameState state;
    std::int32_t currentType;
    std::int32_t pieceX;
    std::int32_t pieceY;
    std::int32_t currentOrientation;
    FourCells pieceCells;
    std::int32_t nextType;
    std::int32_t nextOrientation;
    Well board;
    std::int32_t level;
    std::uint32_t rowsRemoved;
    std::uint32_t score;
};

inline bool operator==(const RulesSnapshot& a, const RulesSnapshot& b) {
    const auto fields = [](const RulesSnapshot& s) {
        return std::tie(s.statusText, s.paused, s.state, s.currentType, s.pieceX, s.pieceY,
                        s.currentOrientation, s.pieceCells, s.nextType, s.nextOrientation, s.board,
                        s.level, s.rowsRemoved, s.score);
    };
    return fields(a) == fields(b);
}

inline bool Inside(Cell cell) {
    return cell.x >= 0 && cell.x < GameRules::WellWidth && cell.y >= 0 &&
           cell.y < GameRules::WellHeight;
}

inline bool Blocked(const Well& well, Cell cell) {
    return !Inside(cell) || well[cell.x][cell.y] != 0;
}

// Returns whether every cell, moved by (dx, dy), lies inside the well and holds no block.
template <typename CellRange>
bool AllFree(const Well& well, const CellRange& cells, std::int32_t dx = 0, std::int32_t dy = 0) {
    return std::none_of(std::begin(cells), std::end(cells), [&](Cell cell) {
        return Blocked(well, {cell.x + dx, cell.y + dy});
    });
}

// Returns whether the piece rests on the floor or on a block.
inline bool Resting(const RecordingFlow& rules) {
    return !AllFree(CopyWell(rules), rules.pieceCells, 0, 1);
}

inline int CountBlocksInRow(const Well& well, int y) {
    return static_cast<int>(std::count_if(well.begin(), well.end(),
                                          [y](const auto& column) { return column[y] != 0; }));
}

// The expected outcome of landing the falling piece, worked out the plain way: write the piece,
// drop every full row and stack the others on the floor in their order.
struct LandingModel {
    Well well{};
    std::uint32_t fullRows = 0;
    bool lost = false;

    explicit LandingModel(const RecordingFlow& rules) {
        Well landed = CopyWell(rules);
        for (const Cell& cell : rules.pieceCells) {
            landed[cell.x][cell.y] = 1;
        }
        int target = GameRules::WellHeight - 1;
        int partlyFilled = 0;
        for (int y = GameRules::WellHeight - 1; y >= 0; --y) {
            const int blocks = CountBlocksInRow(landed, y);
            if (blocks == GameRules::WellWidth) {
                ++fullRows;
                continue;
            }
            partlyFilled += blocks > 0 ? 1 : 0;
            for (int x = 0; x < GameRules::WellWidth; ++x) {
                well[x][target] = landed[x][y];
            }
            --target;
        }
        lost = partlyFilled == GameRules::WellHeight;
        if (lost) {
            well = landed;
        }
    }
};

inline std::string CellText(Cell cell) {
    return "(" + std::to_string(cell.x) + "," + std::to_string(cell.y) + ")";
}

// The state is one of the game's, every cell of the well empty or a block, and the preview a piece
// of the shape table or none.
inline std::string BrokenFieldInvariant(const RecordingFlow& rules) {
    const auto state = static_cast<std::int32_t>(rules.state);
    if (state < static_cast<std::int32_t>(GameState::NotReady) ||
        state > static_cast<std::int32_t>(GameState::GameOverPause)) {
        return "the state " + std::to_string(state) + " is none of the game states";
    }
    if (rules.nextType != 0 &&
        BuiltShapes().FindShape(rules.nextType, rules.nextOrientation) == nullptr) {
        return "the next piece " + std::to_string(rules.nextType) + "/" +
               std::to_string(rules.nextOrientation) + " is not in the shape table";
    }
    for (int x = 0; x < GameRules::WellWidth; ++x) {
        for (int y = 0; y < GameRules::WellHeight; ++y) {
            if (rules.board[x][y] > 1) {
                return "board cell " + CellText({x, y}) + " holds " +
                       std::to_string(rules.board[x][y]);
            }
        }
    }
    return "";
}

// While a game runs, every landing removes the rows it fills and pieces land only on the floor or
// on blocks, so the landed blocks form one stack from the floor up without a full row in it.
// After a stop or a loss the frozen piece may hang above the stack.
inline std::string BrokenStackInvariant(const RecordingFlow& rules) {
    if (rules.state != GameState::Playing && rules.state != GameState::Landed) {
        return "";
    }
    const Well well = CopyWell(rules);
    bool emptyBelow = false;
    for (int y = GameRules::WellHeight - 1; y >= 0; --y) {
        const int blocks = CountBlocksInRow(well, y);
        if (blocks == GameRules::WellWidth) {
            return "row " + std::to_string(y) + " is full while the game runs";
        }
        if (blocks > 0 && emptyBelow) {
            return "row " + std::to_string(y) + " has blocks above an empty row";
        }
        emptyBelow = emptyBelow || blocks == 0;
    }
    return "";
}

inline std::string BrokenPieceInvariant(const RecordingFlow& rules) {
    if (rules.pieceY < 0) {
        return "pieceY is " + std::to_string(rules.pieceY);
    }
    if (rules.currentType == 0) {
        return "";
    }
    if (rules.state != GameState::Playing) {
        return "a piece falls outside Playing";
    }
    const ShapeRecord* shape = BuiltShapes().FindShape(rules.currentType, rules.currentOrientation);
    if (shape == nullptr) {
        return "the falling piece " + std::to_string(rules.currentType) + "/" +
               std::to_string(rules.currentOrientation) + " is not in the shape table";
    }
    for (int i = 0; i < ShapeRecord::CellCount; ++i) {
        const Cell expected = {shape->cells[i].x + rules.pieceX, shape->cells[i].y + rules.pieceY};
        const Cell cell = rules.pieceCells[i];
        if (cell != expected) {
            return "piece cell " + std::to_string(i) + " is " + CellText(cell) + ", not " +
                   CellText(expected);
        }
        if (!Inside(cell)) {
            return "piece cell " + CellText(cell) + " is outside the well";
        }
        if (rules.board[cell.x][cell.y] != 0) {
            return "piece cell " + CellText(cell) + " overlaps a block";
        }
    }
    return "";
}

// Returns what is wrong with the rules' fields between two actions, or an empty string when every
// invariant holds. Score and row count are for the caller to check, who knows the landings.
inline std::string FindBrokenInvariant(const RecordingFlow& rules) {
    for (auto check : {BrokenFieldInvariant, BrokenStackInvariant, BrokenPieceInvariant}) {
        std::string broken = check(rules);
        if (!broken.empty()) {
            return broken;
        }
    }
    return "";
}
