#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFlow.h"
#include "ShapeTable.h"

namespace {

struct ExpectedShape {
    std::int32_t type;
    std::int32_t orientation;
    std::vector<Cell> cells;
    std::vector<Cell> sweepCells;
};

// The records as they must stand in the table, in order.
const ExpectedShape kExpectedShapes[] = {
    {1, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{3, 1}, {3, 2}}},
    {1, 3, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{3, 1}, {3, 2}}},
    {1, 2, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}, {{1, 1}, {1, 2}, {1, 3}}},
    {1, 4, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}, {{1, 1}, {1, 2}, {1, 3}}},
    {2, 1, {{1, 0}, {2, 0}, {1, 1}, {2, 1}}, {}},
    {3, 1, {{1, 0}, {2, 0}, {3, 0}, {2, 1}}, {{3, 1}}},
    {3, 2, {{2, 0}, {2, 1}, {2, 2}, {1, 1}}, {{1, 0}, {3, 0}, {1, 2}}},
    {3, 3, {{2, 0}, {1, 1}, {2, 1}, {3, 1}}, {{1, 0}, {3, 0}, {3, 2}}},
    {3, 4, {{2, 0}, {2, 1}, {2, 2}, {3, 1}}, {{1, 1}, {1, 2}}},
    {4, 1, {{1, 0}, {1, 1}, {1, 2}, {2, 2}}, {}},
    {4, 2, {{1, 0}, {2, 0}, {3, 0}, {1, 1}}, {{3, 1}}},
    {4, 3, {{1, 0}, {2, 0}, {2, 1}, {2, 2}}, {{1, 2}}},
    {4, 4, {{3, 0}, {1, 1}, {2, 1}, {3, 1}}, {{3, 2}}},
    {5, 1, {{2, 0}, {2, 1}, {2, 2}, {1, 2}}, {{3, 0}}},
    {5, 2, {{1, 0}, {1, 1}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}}},
    {5, 3, {{1, 0}, {2, 0}, {1, 1}, {1, 2}}, {}},
    {5, 4, {{1, 0}, {2, 0}, {3, 0}, {3, 1}}, {}},
    {6, 1, {{1, 0}, {2, 0}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}}},
    {6, 3, {{1, 0}, {2, 0}, {2, 1}, {3, 1}}, {{2, 2}, {3, 2}}},
    {6, 2, {{2, 0}, {1, 1}, {2, 1}, {1, 2}}, {{3, 0}}},
    {6, 4, {{2, 0}, {1, 1}, {2, 1}, {1, 2}}, {{3, 0}}},
    {7, 1, {{2, 0}, {3, 0}, {1, 1}, {2, 1}}, {{3, 1}}},
    {7, 3, {{2, 0}, {3, 0}, {1, 1}, {2, 1}}, {{3, 1}}},
    {7, 2, {{1, 0}, {1, 1}, {2, 1}, {2, 2}}, {{1, 2}}},
    {7, 4, {{1, 0}, {1, 1}, {2, 1}, {2, 2}}, {{1, 2}}},
};

constexpr size_t kRecordCount = sizeof(kExpectedShapes) / sizeof(kExpectedShapes[0]);

std::int32_t NextOrientation(std::int32_t orientation) {
    return orientation % 4 + 1;
}

// Returns the sweep cells of a record up to the end mark.
std::vector<Cell> ListedSweepCells(const ShapeRecord& record) {
    std::vector<Cell> cells;
    for (const Cell& cell : record.sweepCells) {
        if (cell.x == ShapeRecord::kSweepEnd) {
            break;
        }
        cells.push_back(cell);
    }
    return cells;
}

// Returns the cells moved so that their smallest x and y are 0, sorted, to compare shapes
// regardless of where they stand in the frame.
std::vector<Cell> Normalised(std::vector<Cell> cells) {
    std::int32_t minX = cells[0].x;
    std::int32_t minY = cells[0].y;
    for (const Cell& cell : cells) {
        minX = std::min(minX, cell.x);
        minY = std::min(minY, cell.y);
    }
    for (Cell& cell : cells) {
        cell = {cell.x - minX, cell.y - minY};
    }
    std::sort(cells.begin(), cells.end(),
              [](Cell a, Cell b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return cells;
}

TEST(ShapeTable, BuildAppendsEveryRecordAsTabled) {
    const auto& records = BuiltShapes().Records();
    ASSERT_EQ(records.size(), kRecordCount);
    for (size_t i = 0; i < kRecordCount; ++i) {
        SCOPED_TRACE("record " + std::to_string(i + 1));
        const ExpectedShape& expected = kExpectedShapes[i];
        const ShapeRecord& record = records[i];
        EXPECT_EQ(record.type, expected.type);
        EXPECT_EQ(record.orientation, expected.orientation);
        EXPECT_EQ(std::vector<Cell>(std::begin(record.cells), std::end(record.cells)),
                  expected.cells);
        for (int s = 0; s < ShapeRecord::kSweepCellCount; ++s) {
            if (static_cast<size_t>(s) < expected.sweepCells.size()) {
                EXPECT_EQ(record.sweepCells[s], expected.sweepCells[s]) << "sweep " << s;
            } else {
                EXPECT_EQ(record.sweepCells[s].x, ShapeRecord::kSweepEnd) << "sweep " << s;
            }
        }
    }
}

TEST(ShapeTable, CellsLieInsideTheFrame) {
    for (const ShapeRecord& record : BuiltShapes().Records()) {
        for (const Cell& cell : record.cells) {
            EXPECT_TRUE(cell.x >= 0 && cell.x <= 3 && cell.y >= 0 && cell.y <= 3)
                << "type " << record.type << " orientation " << record.orientation << " " << cell;
        }
    }
}

// A sweep cell must lie in the box spanned by both orientations' cells (rows from 0), so a turn
// that keeps the piece inside the well never looks at a cell outside it.
TEST(ShapeTable, SweepCellsLieInsideTheBoundingBoxOfBothOrientations) {
    const ShapeTable& shapes = BuiltShapes();
    int checked = 0;
    for (const ShapeRecord& record : shapes.Records()) {
        const ShapeRecord* next =
            shapes.FindShape(record.type, NextOrientation(record.orientation));
        if (next == nullptr) {
            continue;
        }
        std::int32_t minX = 3, maxX = 0, maxY = 0;
        for (const Cell* cells : {record.cells, next->cells}) {
            for (int i = 0; i < ShapeRecord::kCellCount; ++i) {
                minX = std::min(minX, cells[i].x);
                maxX = std::max(maxX, cells[i].x);
                maxY = std::max(maxY, cells[i].y);
            }
        }
        for (const Cell& cell : ListedSweepCells(record)) {
            EXPECT_TRUE(cell.x >= minX && cell.x <= maxX && cell.y >= 0 && cell.y <= maxY)
                << "type " << record.type << " orientation " << record.orientation << " " << cell;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 35);
}

// Rotating a shape a quarter turn clockwise on screen (y grows downwards) maps (x, y) to (-y, x).
TEST(ShapeTable, EachNextOrientationIsAQuarterTurnClockwise) {
    const ShapeTable& shapes = BuiltShapes();
    int turns = 0;
    for (const ShapeRecord& record : shapes.Records()) {
        const ShapeRecord* next =
            shapes.FindShape(record.type, NextOrientation(record.orientation));
        if (next == nullptr) {
            continue;
        }
        std::vector<Cell> turned;
        for (const Cell& cell : record.cells) {
            turned.push_back({-cell.y, cell.x});
        }
        EXPECT_EQ(Normalised(turned),
                  Normalised(std::vector<Cell>(std::begin(next->cells), std::end(next->cells))))
            << "type " << record.type << " orientation " << record.orientation;
        ++turns;
    }
    EXPECT_EQ(turns, 24);
}

struct FindCase {
    std::int32_t type;
    std::int32_t orientation;
    int recordIndex;  // -1: no record
};

TEST(ShapeTable, FindShapeReturnsTheMatchingRecordOrNone) {
    const FindCase cases[] = {
        {1, 1, 0},  {1, 3, 1},  {1, 2, 2},  {1, 4, 3},   {2, 1, 4},  {3, 4, 8},
        {6, 2, 19}, {7, 4, 24}, {2, 2, -1}, {2, 4, -1},  {0, 1, -1}, {1, 0, -1},
        {0, 0, -1}, {8, 1, -1}, {3, 5, -1}, {-1, 1, -1},
    };
    const ShapeTable& shapes = BuiltShapes();
    for (const FindCase& c : cases) {
        const ShapeRecord* expected =
            c.recordIndex < 0 ? nullptr : &shapes.Records()[c.recordIndex];
        EXPECT_EQ(shapes.FindShape(c.type, c.orientation), expected)
            << "type " << c.type << " orientation " << c.orientation;
    }
}

struct ListCase {
    std::int32_t type;
    std::int32_t count;
    std::int32_t orientations[4];
};

TEST(ShapeTable, ListOrientationsGivesTableOrderAndZeroesTheRest) {
    const ListCase cases[] = {
        {1, 4, {1, 3, 2, 4}}, {2, 1, {1, 0, 0, 0}}, {3, 4, {1, 2, 3, 4}},
        {4, 4, {1, 2, 3, 4}}, {5, 4, {1, 2, 3, 4}}, {6, 4, {1, 3, 2, 4}},
        {7, 4, {1, 3, 2, 4}}, {0, 0, {0, 0, 0, 0}}, {8, 0, {0, 0, 0, 0}},
    };
    for (const ListCase& c : cases) {
        std::int32_t out[4] = {99, 99, 99, 99};
        EXPECT_EQ(BuiltShapes().ListOrientations(c.type, out), c.count) << "type " << c.type;
        EXPECT_EQ(std::vector<std::int32_t>(out, out + 4),
                  std::vector<std::int32_t>(c.orientations, c.orientations + 4))
            << "type " << c.type;
    }
}

TEST(ShapeTable, BuildingTwiceAppendsAndLookupsFindTheFirstRecords) {
    ShapeTable shapes;
    shapes.Build();
    shapes.Build();
    ASSERT_EQ(shapes.Records().size(), 2 * kRecordCount);
    EXPECT_EQ(shapes.FindShape(3, 2), &shapes.Records()[6]);

    // A fifth record of a type returns at once with the four found so far.
    std::int32_t out[4] = {};
    EXPECT_EQ(shapes.ListOrientations(1, out), 4);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{1, 3, 2, 4}));
    EXPECT_EQ(shapes.ListOrientations(2, out), 2);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{1, 1, 0, 0}));
}

TEST(ShapeTable, ClearLeavesNoRecords) {
    ShapeTable shapes;
    shapes.Build();
    shapes.Clear();
    EXPECT_TRUE(shapes.Records().empty());
    EXPECT_EQ(shapes.FindShape(1, 1), nullptr);
    std::int32_t out[4] = {7, 7, 7, 7};
    EXPECT_EQ(shapes.ListOrientations(1, out), 0);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{0, 0, 0, 0}));
}

}  // namespace
