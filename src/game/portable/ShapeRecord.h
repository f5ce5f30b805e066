// One orientation of one piece type: its four cells and the cells that must be free to turn it.
#pragma once

#include <cstdint>

// A cell as (column, row): an offset in a piece's 4 × 4 frame or a position in the well.
struct Cell {
    std::int32_t x;
    std::int32_t y;
};

inline bool operator==(Cell a, Cell b) {
    return a.x == b.x && a.y == b.y;
}

inline bool operator!=(Cell a, Cell b) {
    return !(a == b);
}

struct ShapeRecord {
    static constexpr int CellCount = 4;
    static constexpr int SweepCellCount = 12;
    // A sweep entry with this x ends the list; the entries after it are not read.
    static constexpr std::int32_t SweepEnd = -1;

    std::int32_t type;
    std::int32_t orientation;
    Cell cells[CellCount];
    Cell sweepCells[SweepCellCount];
};
