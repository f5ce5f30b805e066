// The rule book of the game: the well, the falling piece, landing, row removal, scoring and loss.
#pragma once

#include <cstdint>

#include "GameState.h"
#include "ShapeRecord.h"
#include "ShapeTable.h"

// The rules know nothing of windows: the game flow derives from this class, calls the operations
// from its key and timer handlers and receives repaint requests and a lost game through the
// three hooks at the bottom. Nothing outside the flow moves the game: the state is read-only to
// everyone else.
class GameRules {
  public:
    static constexpr std::int32_t WellWidth = 10;
    static constexpr std::int32_t WellHeight = 18;
    static constexpr std::int32_t PieceTypes = 7;
    // A new piece's 4 × 4 frame covers columns 3..6 and rows 0..3.
    static constexpr std::int32_t SpawnColumn = 3;
    // Points for removing one, two, three or four rows with a single landing.
    static constexpr std::uint32_t RowPoints[4] = {100, 250, 400, 550};

    explicit GameRules(const ShapeTable& shapes);
    virtual ~GameRules() = default;

    GameRules(const GameRules&) = delete;
    GameRules& operator=(const GameRules&) = delete;

    // Returns the points for removing the given number of rows at once.
    static std::uint32_t PointsForRows(std::uint32_t rows);

  protected:
    // The operations of the rules, which only the game flow calls, each in the states where the
    // flow lets it.
    void ChooseNextPiece();
    bool SpawnPiece();
    void MovePieceLeft();
    void MovePieceRight();
    void RotatePiece();
    void DropPiece();
    void StepPiece();
    void RemoveFullRows();
    void FreezePiece();
    void ClearGame();

    bool paused = false;
    GameState state = GameState::NotReady;
    std::int32_t currentType = 0;  // 0: no falling piece
    std::int32_t pieceX = 0;       // origin of the piece's frame; may be negative
    std::int32_t pieceY = 0;       // never negative
    std::int32_t currentOrientation = 0;
    Cell pieceCells[ShapeRecord::CellCount] = {};
    std::int32_t nextType = 0;  // 0: no piece chosen yet
    std::int32_t nextOrientation = 0;
    std::uint8_t board[WellWidth][WellHeight] = {};  // [x][y]; 1 is a landed block
    std::int32_t level = 1;
    std::uint32_t rowsRemoved = 0;
    std::uint32_t score = 0;

    // Asks for the board rectangle to be repainted without erasing the background.
    virtual void RepaintBoard() = 0;
    // Asks for the whole client area to be repainted without erasing the background.
    virtual void RepaintClientArea() = 0;
    // Called when a landing leaves every row of the well partly filled and the game is lost.
    virtual void EndGame() = 0;

  private:
    bool CanPlayerAct() const;
    bool IsFree(std::int32_t x, std::int32_t y) const;
    std::int32_t FallRoom(Cell cell) const;
    void PlaceCells(const ShapeRecord& shape);
    void ShiftPiece(std::int32_t dx);
    void MovePiece(std::int32_t dx, std::int32_t dy);
    std::int32_t CountBlocksInRow(std::int32_t row) const;
    void CopyRow(std::int32_t from, std::int32_t to);
    void EmptyRow(std::int32_t row);

    const ShapeTable& shapes_;
};
