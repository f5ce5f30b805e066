#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFlow.h"
#include "ShapeTable.h"

namespace {

constexpr size_t kRecordCount = 25;

std::int32_t NextOrientation(std::int32_t orientation) {
    return orientation % 4 + 1;
}

bool Holds(const std::vector<Cell>& cells, Cell cell) {
    return std::find(cells.begin(), cells.end(), cell) != cells.end();
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

std::string NameOf(const ShapeRecord& record) {
    return "type " + std::to_string(record.type) + " orientation " +
           std::to_string(record.orientation);
}

// Seven types: the square has one orientation, every other type four. Each record is four
// distinct cells of the 4 × 4 frame, touching its top row, where a piece enters the well.
TEST(ShapeTable, HoldsFourDistinctCellsInTheFrameForEachOrientationOfSevenTypes) {
    const auto& records = BuiltShapes().Records();
    ASSERT_EQ(records.size(), kRecordCount);
    std::map<std::int32_t, std::set<std::int32_t>> orientations;
    for (const ShapeRecord& record : records) {
        SCOPED_TRACE(NameOf(record));
        EXPECT_TRUE(orientations[record.type].insert(record.orientation).second) << "twice";
        const std::vector<Cell> cells = CellsAt(record);
        for (const Cell& cell : cells) {
            EXPECT_TRUE(cell.x >= 0 && cell.x <= 3 && cell.y >= 0 && cell.y <= 3) << cell;
            EXPECT_EQ(std::count(cells.begin(), cells.end(), cell), 1) << cell;
        }
        EXPECT_TRUE(std::any_of(cells.begin(), cells.end(), [](Cell c) { return c.y == 0; }));
    }
    const std::set<std::int32_t> all{1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(orientations.size(), all.size());
    for (const auto& [type, set] : orientations) {
        EXPECT_TRUE(all.count(type)) << type;
        const std::set<std::int32_t> expected =
            type == 2 ? std::set<std::int32_t>{1} : std::set<std::int32_t>{1, 2, 3, 4};
        EXPECT_EQ(set, expected) << "type " << type;
    }
}

// Turning takes a piece a quarter turn clockwise on screen (y grows downwards), which maps
// (x, y) to (-y, x), and every orientation has a next one, so turns cycle. The bar and the two
// skews turn about a fixed point between two placements, so their opposite orientations are
// the same cells; the square never turns.
TEST(ShapeTable, TurnsAreQuarterTurnsClockwiseThatCycle) {
    const ShapeTable& shapes = BuiltShapes();
    int turns = 0;
    for (const ShapeRecord& record : shapes.Records()) {
        SCOPED_TRACE(NameOf(record));
        const ShapeRecord* next =
            shapes.FindShape(record.type, NextOrientation(record.orientation));
        if (record.type == 2) {
            EXPECT_EQ(next, nullptr);
            continue;
        }
        ASSERT_NE(next, nullptr);
        std::vector<Cell> turned;
        for (const Cell& cell : record.cells) {
            turned.push_back({-cell.y, cell.x});
        }
        EXPECT_EQ(Normalised(turned), Normalised(CellsAt(*next)));
        const ShapeRecord* opposite =
            shapes.FindShape(record.type, NextOrientation(next->orientation));
        const bool twoPlacements = record.type == 1 || record.type == 6 || record.type == 7;
        EXPECT_EQ(CellsAt(*opposite) == CellsAt(record), twoPlacements);
        ++turns;
    }
    EXPECT_EQ(turns, 24);
}

// The sweep cells are the cells a turn passes over: inside the box spanned by both
// orientations' cells, so that a turn which keeps the piece in the well looks at no cell
// outside it, and in neither orientation, whose cells are checked on their own.
TEST(ShapeTable, SweepCellsLieBetweenTheTwoOrientationsOfATurn) {
    const ShapeTable& shapes = BuiltShapes();
    int checked = 0;
    for (const ShapeRecord& record : shapes.Records()) {
        SCOPED_TRACE(NameOf(record));
        const ShapeRecord* next =
            shapes.FindShape(record.type, NextOrientation(record.orientation));
        const std::vector<Cell> swept = SweepCellsAt(record);
        if (next == nullptr) {
            EXPECT_TRUE(swept.empty());
            continue;
        }
        std::int32_t minX = 3, maxX = 0, maxY = 0;
        for (const Cell* cells : {record.cells, next->cells}) {
            for (int i = 0; i < ShapeRecord::CellCount; ++i) {
                minX = std::min(minX, cells[i].x);
                maxX = std::max(maxX, cells[i].x);
                maxY = std::max(maxY, cells[i].y);
            }
        }
        for (const Cell& cell : swept) {
            EXPECT_TRUE(cell.x >= minX && cell.x <= maxX && cell.y >= 0 && cell.y <= maxY) << cell;
            EXPECT_FALSE(Holds(CellsAt(record), cell) || Holds(CellsAt(*next), cell)) << cell;
            EXPECT_EQ(std::count(swept.begin(), swept.end(), cell), 1) << cell;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 35);
}

struct FindCase {
    std::int32_t type;
    std::int32_t orientation;
};

// Every record is found by its type and orientation, and nothing else is found.
TEST(ShapeTable, FindShapeReachesEveryRecordAndNoOther) {
    const ShapeTable& shapes = BuiltShapes();
    ASSERT_EQ(shapes.Records().size(), kRecordCount);
    for (const ShapeRecord& record : shapes.Records()) {
        EXPECT_EQ(shapes.FindShape(record.type, record.orientation), &record) << NameOf(record);
    }
    const FindCase misses[] = {{2, 2}, {2, 4}, {0, 1}, {1, 0}, {0, 0}, {8, 1}, {3, 5}, {-1, 1}};
    for (const FindCase& c : misses) {
        EXPECT_EQ(shapes.FindShape(c.type, c.orientation), nullptr)
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
