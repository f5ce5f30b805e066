#include "GameRules.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

// Returns the orientation that follows the given one in a clockwise turn, or 0 for none.
std::int32_t NextOrientation(std::int32_t orientation) {
    switch (orientation) {
        case 1:
            return 2;
        case 2:
            return 3;
        case 3:
            return 4;
        case 4:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

GameRules::GameRules(const ShapeTable& shapes) : shapes_(shapes) {}

// Picks the previewed piece: every type is equally likely every time, with no history.
void GameRules::ChooseNextPiece() {
    nextType = std::rand() % PieceTypes + 1;
    std::int32_t orientations[ShapeTable::MaxOrientations];
    const std::int32_t count = shapes_.ListOrientations(nextType, orientations);
    if (count == ShapeTable::MaxOrientations) {
        nextOrientation = orientations[std::rand() % ShapeTable::MaxOrientations];
    } else {
        nextOrientation = orientations[0];
    }
}

// Called when a new piece enters the well. Returns false when it overlaps landed blocks; the
// caller then ends the game, which freezes the piece where it appeared.
bool GameRules::SpawnPiece() {
    if (nextType == 0) {
        ChooseNextPiece();
    }
    currentType = nextType;
    currentOrientation = nextOrientation;
    ChooseNextPiece();
    pieceX = SpawnColumn;
    pieceY = 0;

    bool fits = false;
    const ShapeRecord* shape = shapes_.FindShape(currentType, currentOrientation);
    if (shape != nullptr) {
        PlaceCells(*shape);
        fits = std::all_of(std::begin(pieceCells), std::end(pieceCells),
                           [this](Cell cell) { return board[cell.x][cell.y] == 0; });
    } else {
        // Only an empty shape table gets here: there is no piece to enter the well.
        currentType = 0;
    }
    RepaintClientArea();
    return fits;
}

void GameRules::MovePieceLeft() {
    ShiftPiece(-1);
}

void GameRules::MovePieceRight() {
    ShiftPiece(1);
}

// Turns the piece a quarter turn clockwise about its frame origin. There is no shifting away from
// walls or blocks: the turn happens in place or not at all.
void GameRules::RotatePiece() {
    if (!CanPlayerAct()) {
        return;
    }
    const std::int32_t next = NextOrientation(currentOrientation);
    const ShapeRecord* current = shapes_.FindShape(currentType, currentOrientation);
    const ShapeRecord* turned = shapes_.FindShape(currentType, next);
    if (current == nullptr || turned == nullptr) {
        return;
    }
    for (const Cell& cell : turned->cells) {
        if (!IsFree(cell.x + pieceX, cell.y + pieceY)) {
            return;
        }
    }
    // The cells the piece passes over while turning must be free as well.
    for (const Cell& cell : current->sweepCells) {
        if (cell.x == ShapeRecord::SweepEnd) {
            break;
        }
        if (!IsFree(cell.x + pieceX, cell.y + pieceY)) {
            return;
        }
    }
    currentOrientation = next;
    PlaceCells(*turned);
    RepaintBoard();
}

// Moves the piece straight down as far as it can go. It does not land: until the next fall step
// it can still be moved and turned.
void GameRules::DropPiece() {
    if (!CanPlayerAct()) {
        return;
    }
    std::int32_t distance = WellHeight;
    for (const Cell& cell : pieceCells) {
        const std::int32_t room = FallRoom(cell);
        if (room == 0) {
            return;
        }
        distance = std::min(distance, room);
    }
    MovePiece(0, distance);
}

// Called on every fall tick: moves the piece down a row, or lands it when it cannot fall.
void GameRules::StepPiece() {
    // Without a falling piece the cells are those of the last one, which is already on the board.
    if (paused || state != GameState::Playing || currentType == 0) {
        return;
    }
    const bool lands = std::any_of(std::begin(pieceCells), std::end(pieceCells),
                                   [this](Cell cell) { return FallRoom(cell) == 0; });
    if (!lands) {
        MovePiece(0, 1);
        return;
    }
    FreezePiece();
    RemoveFullRows();
}

// Called after a landing: removes the full rows, lets the rows above them fall and scores them.
// The blocks always form one unbroken stack from the floor up, so the scan can stop at the first
// empty row.
void GameRules::RemoveFullRows() {
    state = GameState::Landed;

    std::uint32_t removed = 0;
    std::int32_t writeRow = WellHeight - 1;
    std::int32_t stopRow = 0;
    for (std::int32_t row = WellHeight - 1; row >= 0; --row) {
        const std::int32_t blocks = CountBlocksInRow(row);
        if (blocks == WellWidth) {
            ++removed;
            continue;
        }
        if (blocks == 0) {
            stopRow = row;
            break;
        }
        if (writeRow != row) {
            CopyRow(row, writeRow);
        }
        --writeRow;
    }

    if (writeRow < 0) {
        // Every row is partly filled and none is full: nothing more can land.
        EndGame();
    } else {
        for (std::int32_t row = writeRow; row >= stopRow; --row) {
            EmptyRow(row);
        }
        rowsRemoved += removed;
        score += PointsForRows(removed);
    }
    RepaintClientArea();
}

// Called when the piece lands, and when a game stops or is lost: the falling piece stays in the
// well as landed blocks.
void GameRules::FreezePiece() {
    if (currentType == 0) {
        return;
    }
    currentType = 0;
    for (const Cell& cell : pieceCells) {
        board[cell.x][cell.y] = 1;
    }
}

// Called when a game starts. The preview is left alone; every way out of a game resets it.
void GameRules::ClearGame() {
    currentType = 0;
    for (auto& column : board) {
        std::fill(std::begin(column), std::end(column), std::uint8_t{0});
    }
    score = 0;
    rowsRemoved = 0;
}

// Returns the points for the given number of rows removed at once; a piece spans at most four.
std::uint32_t GameRules::PointsForRows(std::uint32_t rows) {
    if (rows == 0) {
        return 0;
    }
    const std::uint32_t maxRows = sizeof(RowPoints) / sizeof(RowPoints[0]);
    return RowPoints[std::min(rows, maxRows) - 1];
}

// Returns whether a key may act on the piece: a running, unpaused game with a falling piece.
bool GameRules::CanPlayerAct() const {
    return !paused && state == GameState::Playing && currentType != 0;
}

// Returns whether the cell lies inside the well and holds no landed block.
bool GameRules::IsFree(std::int32_t x, std::int32_t y) const {
    return x >= 0 && x < WellWidth && y >= 0 && y < WellHeight && board[x][y] == 0;
}

// Returns the number of empty cells directly below the cell, down to a block or the floor.
std::int32_t GameRules::FallRoom(Cell cell) const {
    std::int32_t room = 0;
    while (cell.y + room + 1 < WellHeight && board[cell.x][cell.y + room + 1] == 0) {
        ++room;
    }
    return room;
}

// Sets the piece's cells to the shape's cells placed at the piece's origin.
void GameRules::PlaceCells(const ShapeRecord& shape) {
    for (int i = 0; i < ShapeRecord::CellCount; ++i) {
        pieceCells[i] = {shape.cells[i].x + pieceX, shape.cells[i].y + pieceY};
    }
}

// Moves the piece one column sideways when every cell it would enter is inside and free.
void GameRules::ShiftPiece(std::int32_t dx) {
    if (!CanPlayerAct()) {
        return;
    }
    for (const Cell& cell : pieceCells) {
        if (!IsFree(cell.x + dx, cell.y)) {
            return;
        }
    }
    MovePiece(dx, 0);
}

// Moves the piece's frame and its cells by (dx, dy), where the caller found room for it.
void GameRules::MovePiece(std::int32_t dx, std::int32_t dy) {
    pieceX += dx;
    pieceY += dy;
    for (Cell& cell : pieceCells) {
        cell.x += dx;
        cell.y += dy;
    }
    RepaintBoard();
}

std::int32_t GameRules::CountBlocksInRow(std::int32_t row) const {
    std::int32_t blocks = 0;
    for (std::int32_t x = 0; x < WellWidth; ++x) {
        blocks += board[x][row] != 0 ? 1 : 0;
    }
    return blocks;
}

void GameRules::CopyRow(std::int32_t from, std::int32_t to) {
    for (std::int32_t x = 0; x < WellWidth; ++x) {
        board[x][to] = board[x][from];
    }
}

void GameRules::EmptyRow(std::int32_t row) {
    for (std::int32_t x = 0; x < WellWidth; ++x) {
        board[x][row] = 0;
    }
}
