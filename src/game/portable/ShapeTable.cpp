#include "ShapeTable.h"

namespace {

// No record has more than three sweep cells; the rest of each list is filled with the end mark.
constexpr int ListedSweepCells = 3;
constexpr Cell EndMark = {ShapeRecord::SweepEnd, ShapeRecord::SweepEnd};

struct ShapeRow {
    std::int32_t type;
    std::int32_t orientation;
    Cell cells[ShapeRecord::CellCount];
    Cell sweepCells[ListedSweepCells];
};

// Each step 1 → 2 → 3 → 4 → 1 turns a shape a quarter turn clockwise on screen. The bar, Z and S
// look the same in orientations 1 and 3 and in 2 and 4, and are listed in the order 1, 3, 2, 4;
// the square has a single orientation.
constexpr ShapeRow ShapeRows[] = {
    {1, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{3, 1}, {3, 2}, EndMark}},
    {1, 3, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{3, 1}, {3, 2}, EndMark}},
    {1, 2, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}, {{1, 1}, {1, 2}, {1, 3}}},
    {1, 4, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}, {{1, 1}, {1, 2}, {1, 3}}},
    {2, 1, {{1, 0}, {2, 0}, {1, 1}, {2, 1}}, {EndMark, EndMark, EndMark}},
    {3, 1, {{1, 0}, {2, 0}, {3, 0}, {2, 1}}, {{3, 1}, EndMark, EndMark}},
    {3, 2, {{2, 0}, {2, 1}, {2, 2}, {1, 1}}, {{1, 0}, {3, 0}, {1, 2}}},
    {3, 3, {{2, 0}, {1, 1}, {2, 1}, {3, 1}}, {{1, 0}, {3, 0}, {3, 2}}},
    {3, 4, {{2, 0}, {2, 1}, {2, 2}, {3, 1}}, {{1, 1}, {1, 2}, EndMark}},
    {4, 1, {{1, 0}, {1, 1}, {1, 2}, {2, 2}}, {EndMark, EndMark, EndMark}},
    {4, 2, {{1, 0}, {2, 0}, {3, 0}, {1, 1}}, {{3, 1}, EndMark, EndMark}},
    {4, 3, {{1, 0}, {2, 0}, {2, 1}, {2, 2}}, {{1, 2}, EndMark, EndMark}},
    {4, 4, {{3, 0}, {1, 1}, {2, 1}, {3, 1}}, {{3, 2}, EndMark, EndMark}},
    {5, 1, {{2, 0}, {2, 1}, {2, 2}, {1, 2}}, {{3, 0}, EndMark, EndMark}},
    {5, 2, {{1, 0}, {1, 1}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}, EndMark}},
    {5, 3, {{1, 0}, {2, 0}, {1, 1}, {1, 2}}, {EndMark, EndMark, EndMark}},
    {5, 4, {{1, 0}, {2, 0}, {3, 0}, {3, 1}}, {EndMark, EndMark, EndMark}},
    {6, 1, {{1, 0}, {2, 0}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}, EndMark}},
    {6, 3, {{1, 0}, {2, 0}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}, EndMark}},
    {6, 2, {{2, 0}, {1, 1}, {2, 1}, {1, 2}}, {{3, 0}, EndMark, EndMark}},
    {6, 4, {{2, 0}, {1, 1}, {2, 1}, {1, 2}}, {{3, 0}, EndMark, EndMark}},
    {7, 1, {{2, 0}, {3, 0}, {1, 1}, {2, 1}}, {{3, 1}, EndMark, EndMark}},
    {7, 3, {{2, 0}, {3, 0}, {1, 1}, {2, 1}}, {{3, 1}, EndMark, EndMark}},
    {7, 2, {{1, 0}, {1, 1}, {2, 1}, {2, 2}}, {{1, 2}, EndMark, EndMark}},
    {7, 4, {{1, 0}, {1, 1}, {2, 1}, {2, 2}}, {{1, 2}, EndMark, EndMark}},
};

// Returns the full record for a row of the table above, its sweep list padded with end marks.
ShapeRecord MakeRecord(const ShapeRow& row) {
    ShapeRecord record;
    record.type = row.type;
    record.orientation = row.orientation;
    for (int i = 0; i < ShapeRecord::CellCount; ++i) {
        record.cells[i] = row.cells[i];
    }
    for (int i = 0; i < ShapeRecord::SweepCellCount; ++i) {
        record.sweepCells[i] = i < ListedSweepCells ? row.sweepCells[i] : EndMark;
    }
    return record;
}

}  // namespace

// Appends the records of all seven types in table order.
void ShapeTable::Build() {
    for (const ShapeRow& row : ShapeRows) {
        records_.push_back(MakeRecord(row));
    }
}

void ShapeTable::Clear() {
    records_.clear();
}

// Returns the first record of the given type and orientation, or nullptr when there is none.
const ShapeRecord* ShapeTable::FindShape(std::int32_t type, std::int32_t orientation) const {
    if (type == 0 || orientation == 0) {
        return nullptr;
    }
    for (const ShapeRecord& record : records_) {
        if (record.type == type && record.orientation == orientation) {
            return &record;
        }
    }
    return nullptr;
}

// Copies the orientations of the given type into out in table order and returns their number.
// A fifth record of the type returns at once with out full; otherwise the unused slots are zeroed.
std::int32_t ShapeTable::ListOrientations(std::int32_t type,
                                          std::int32_t out[MaxOrientations]) const {
    std::int32_t count = 0;
    for (const ShapeRecord& record : records_) {
        if (record.type != type) {
            continue;
        }
        if (count == MaxOrientations) {
            return MaxOrientations;
        }
        out[count++] = record.orientation;
    }
    for (std::int32_t i = count; i < MaxOrientations; ++i) {
        out[i] = 0;
    }
    return count;
}
