#include "ShapeTable.h"

namespace {

// No record has more than three sweep cells; the rest of each list is filled with the end mark.
constexpr int kListedSweepCells = 3;
constexpr Cell kEnd = {ShapeRecord::kSweepEnd, ShapeRecord::kSweepEnd};

struct ShapeRow {
    std::int32_t type;
    std::int32_t orientation;
    Cell cells[ShapeRecord::kCellCount];
    Cell sweepCells[kListedSweepCells];
};

// Each step 1 → 2 → 3 → 4 → 1 turns a shape a quarter turn clockwise on screen. The bar, Z and S
// look the same in orientations 1 and 3 and in 2 and 4, and are listed in the order 1, 3, 2, 4;
// the square has a single orientation.
constexpr ShapeRow kShapeRows[] = {
    {1, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{3, 1}, {3, 2}, kEnd}},
    {1, 3, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{3, 1}, {3, 2}, kEnd}},
    {1, 2, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}, {{1, 1}, {1, 2}, {1, 3}}},
    {1, 4, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}, {{1, 1}, {1, 2}, {1, 3}}},
    {2, 1, {{1, 0}, {2, 0}, {1, 1}, {2, 1}}, {kEnd, kEnd, kEnd}},
    {3, 1, {{1, 0}, {2, 0}, {3, 0}, {2, 1}}, {{3, 1}, kEnd, kEnd}},
    {3, 2, {{2, 0}, {2, 1}, {2, 2}, {1, 1}}, {{1, 0}, {3, 0}, {1, 2}}},
    {3, 3, {{2, 0}, {1, 1}, {2, 1}, {3, 1}}, {{1, 0}, {3, 0}, {3, 2}}},
    {3, 4, {{2, 0}, {2, 1}, {2, 2}, {3, 1}}, {{1, 1}, {1, 2}, kEnd}},
    {4, 1, {{1, 0}, {1, 1}, {1, 2}, {2, 2}}, {kEnd, kEnd, kEnd}},
    {4, 2, {{1, 0}, {2, 0}, {3, 0}, {1, 1}}, {{3, 1}, kEnd, kEnd}},
    {4, 3, {{1, 0}, {2, 0}, {2, 1}, {2, 2}}, {{1, 2}, kEnd, kEnd}},
    {4, 4, {{3, 0}, {1, 1}, {2, 1}, {3, 1}}, {{3, 2}, kEnd, kEnd}},
    {5, 1, {{2, 0}, {2, 1}, {2, 2}, {1, 2}}, {{3, 0}, kEnd, kEnd}},
    {5, 2, {{1, 0}, {1, 1}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}, kEnd}},
    {5, 3, {{1, 0}, {2, 0}, {1, 1}, {1, 2}}, {kEnd, kEnd, kEnd}},
    {5, 4, {{1, 0}, {2, 0}, {3, 0}, {3, 1}}, {kEnd, kEnd, kEnd}},
    {6, 1, {{1, 0}, {2, 0}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}, kEnd}},
    {6, 3, {{1, 0}, {2, 0}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}, kEnd}},
    {6, 2, {{2, 0}, {1, 1}, {2, 1}, {1, 2}}, {{3, 0}, kEnd, kEnd}},
    {6, 4, {{2, 0}, {1, 1}, {2, 1}, {1, 2}}, {{3, 0}, kEnd, kEnd}},
    {7, 1, {{2, 0}, {3, 0}, {1, 1}, {2, 1}}, {{3, 1}, kEnd, kEnd}},
    {7, 3, {{2, 0}, {3, 0}, {1, 1}, {2, 1}}, {{3, 1}, kEnd, kEnd}},
    {7, 2, {{1, 0}, {1, 1}, {2, 1}, {2, 2}}, {{1, 2}, kEnd, kEnd}},
    {7, 4, {{1, 0}, {1, 1}, {2, 1}, {2, 2}}, {{1, 2}, kEnd, kEnd}},
};

// Returns the full record for a row of the table above, its sweep list padded with end marks.
ShapeRecord MakeRecord(const ShapeRow& row) {
    ShapeRecord record;
    record.type = row.type;
    record.orientation = row.orientation;
    for (int i = 0; i < ShapeRecord::kCellCount; ++i) {
        record.cells[i] = row.cells[i];
    }
    for (int i = 0; i < ShapeRecord::kSweepCellCount; ++i) {
        record.sweepCells[i] = i < kListedSweepCells ? row.sweepCells[i] : kEnd;
    }
    return record;
}

}  // namespace

// Appends the records of all seven types in table order.
void ShapeTable::Build() {
    for (const ShapeRow& row : kShapeRows) {
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
                                          std::int32_t out[kMaxOrientations]) const {
    std::int32_t count = 0;
    for (const ShapeRecord& record : records_) {
        if (record.type != type) {
            continue;
        }
        if (count == kMaxOrientations) {
            return kMaxOrientations;
        }
        out[count++] = record.orientation;
    }
    for (std::int32_t i = count; i < kMaxOrientations; ++i) {
        out[i] = 0;
    }
    return count;
}
