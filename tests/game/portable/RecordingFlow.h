// The game flow with a front end that notes what the flow asks of it: its timers, its controls,
// the level shown, the focus and the repaints. Every decision stays the flow's own; the front end
// only answers the level chosen and can refuse to start a timer, as the system may. Nothing here
// needs GoogleTest, so the fuzzer can use it too.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "GameFlow.h"
#include "ShapeTable.h"

inline std::ostream& operator<<(std::ostream& out, Cell cell) {
    return out << '(' << cell.x << ',' << cell.y << ')';
}

using Cells = std::vector<Cell>;

// Returns the cells of `shape` with its frame's origin at `origin`.
inline Cells CellsAt(const ShapeRecord& shape, Cell origin = {0, 0}) {
    Cells cells;
    for (const Cell& cell : shape.cells) {
        cells.push_back({cell.x + origin.x, cell.y + origin.y});
    }
    return cells;
}

// Returns the cells a turn from `shape` passes over, up to the list's end mark, with the frame's
// origin at `origin`.
inline Cells SweepCellsAt(const ShapeRecord& shape, Cell origin = {0, 0}) {
    Cells cells;
    for (const Cell& cell : shape.sweepCells) {
        if (cell.x == ShapeRecord::SweepEnd) {
            break;
        }
        cells.push_back({cell.x + origin.x, cell.y + origin.y});
    }
    return cells;
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

class RecordingFlow : public GameFlow {
  public:
    // What the front end shows of the controls.
    enum class Controls { Created, Idle, InGame };

    explicit RecordingFlow(const ShapeTable& shapes = BuiltShapes()) : GameFlow(shapes) {}

    // The game's fields, which the tests read and set.
    using GameFlow::board;
    using GameFlow::currentOrientation;
    using GameFlow::currentType;
    using GameFlow::level;
    using GameFlow::nextOrientation;
    using GameFlow::nextType;
    using GameFlow::paused;
    using GameFlow::pieceCells;
    using GameFlow::pieceX;
    using GameFlow::pieceY;
    using GameFlow::rowsRemoved;
    using GameFlow::score;
    using GameFlow::state;
    using GameFlow::statusText;
    // The rules' operations, which the rules' tests call one by one.
    using GameFlow::ChooseNextPiece;
    using GameFlow::ClearGame;
    using GameFlow::DropPiece;
    using GameFlow::FreezePiece;
    using GameFlow::MovePieceLeft;
    using GameFlow::MovePieceRight;
    using GameFlow::RotatePiece;
    using GameFlow::SpawnPiece;
    using GameFlow::StepPiece;

    // The calls of the flow's hooks, in order: 'B' board repaint, 'C' client-area repaint,
    // 'P' panel repaint, 'E' the rules reporting a lost game.
    std::string hooks;
    // The state the rules had set when they reported the lost game.
    GameState stateAtEndGame = GameState::NotReady;
    // The running timers with their intervals, and every start in order.
    std::map<std::uintptr_t, std::uint32_t> timers;
    std::vector<std::uintptr_t> starts;
    // Timers whose next start the front end refuses.
    std::multiset<std::uintptr_t> refusedStarts;
    Controls controls = Controls::Created;
    // What ChosenLevel answers; ShowLevel sets it as a list's selection would change.
    std::intptr_t chosenLevel = 1;
    std::vector<std::int32_t> levelsShown;
    int focusTaken = 0;

    // Puts a falling piece at the given frame origin of a running game, as if it had been
    // spawned and moved there. A record that does not exist is a mistake of the test.
    void Place(std::int32_t type, std::int32_t orientation, std::int32_t x, std::int32_t y) {
        const ShapeRecord* shape = BuiltShapes().FindShape(type, orientation);
        if (shape == nullptr) {
            std::abort();
        }
        state = GameState::Playing;
        paused = false;
        currentType = type;
        currentOrientation = orientation;
        pieceX = x;
        pieceY = y;
        for (int i = 0; i < ShapeRecord::CellCount; ++i) {
            pieceCells[i] = {shape->cells[i].x + x, shape->cells[i].y + y};
        }
    }

    // The flow's own end of a lost game, noted first.
    void EndGame() override {
        hooks += 'E';
        stateAtEndGame = state;
        GameFlow::EndGame();
    }

  protected:
    void RepaintBoard() override { hooks += 'B'; }
    void RepaintClientArea() override { hooks += 'C'; }
    void RepaintPanel() override { hooks += 'P'; }

    bool StartTimer(std::uintptr_t id, std::uint32_t interval) override {
        const auto refused = refusedStarts.find(id);
        if (refused != refusedStarts.end()) {
            refusedStarts.erase(refused);
            return false;
        }
        timers[id] = interval;
        starts.push_back(id);
        return true;
    }
    void StopTimer(std::uintptr_t id) override { timers.erase(id); }
    void ShowGameControls() override { controls = Controls::InGame; }
    void ShowIdleControls() override { controls = Controls::Idle; }
    std::intptr_t ChosenLevel() const override { return chosenLevel; }
    void ShowLevel(std::int32_t shown) override {
        levelsShown.push_back(shown);
        const bool known = std::any_of(
            std::begin(Difficulties), std::end(Difficulties),
            [shown](const Difficulty& difficulty) { return difficulty.level == shown; });
        chosenLevel = known ? shown : NoLevel;
    }
    void TakeFocus() override { ++focusTaken; }
};

// Fills the bottom rows of the well from a picture whose last line is row 17: 'X' is a block,
// anything else an empty cell. The rows above the picture are emptied.
inline void LoadBottomRows(RecordingFlow& flow, const std::vector<std::string>& picture) {
    std::memset(flow.board, 0, sizeof flow.board);
    const int top = GameRules::WellHeight - static_cast<int>(picture.size());
    for (std::size_t i = 0; i < picture.size(); ++i) {
        for (int x = 0; x < GameRules::WellWidth; ++x) {
            flow.board[x][top + static_cast<int>(i)] = picture[i][x] == 'X' ? 1 : 0;
        }
    }
}

// Returns the bottom rows of the well as a picture in the form LoadBottomRows reads.
inline std::vector<std::string> BottomRows(const RecordingFlow& flow, int count) {
    std::vector<std::string> picture;
    for (int y = GameRules::WellHeight - count; y < GameRules::WellHeight; ++y) {
        std::string row;
        for (int x = 0; x < GameRules::WellWidth; ++x) {
            row += flow.board[x][y] != 0 ? 'X' : '.';
        }
        picture.push_back(row);
    }
    return picture;
}

inline Cells PieceCells(const RecordingFlow& flow) {
    return Cells(std::begin(flow.pieceCells), std::end(flow.pieceCells));
}

inline int CountBlocks(const RecordingFlow& flow) {
    const std::uint8_t* cells = &flow.board[0][0];
    return static_cast<int>(std::count_if(cells, cells + sizeof flow.board,
                                          [](std::uint8_t cell) { return cell != 0; }));
}
