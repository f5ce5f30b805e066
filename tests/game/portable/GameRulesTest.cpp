#include <cstdlib>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFlow.h"
#include "RulesInvariants.h"

namespace {

using Action = void (GameRules::*)();

// Expects that `action` changes no field of `flow` and asks for no repaint.
void ExpectNoChange(RecordingFlow& flow, Action action) {
    const RulesSnapshot before(flow);
    (flow.*action)();
    EXPECT_TRUE(RulesSnapshot(flow) == before) << "a field changed";
    EXPECT_EQ(flow.hooks, "");
}

// Returns the picture of the whole well whose bottom rows are `bottom`, the rows above empty.
std::vector<std::string> WholeWell(std::vector<std::string> bottom) {
    bottom.insert(bottom.begin(), GameRules::WellHeight - bottom.size(), "..........");
    return bottom;
}

// A piece's type and orientation, and where its frame's origin stands.
struct Piece {
    std::int32_t type, orientation, x, y;
};

class GameRulesTest : public ::testing::Test {
  protected:
    RecordingFlow rules;
};

TEST_F(GameRulesTest, StartsNotReadyAtLevelOneWithAnEmptyWellStatusLineAndNoTimer) {
    EXPECT_EQ(rules.state, GameState::NotReady);
    EXPECT_FALSE(rules.paused);
    EXPECT_EQ(rules.level, 1);
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(rules.nextType, 0);
    EXPECT_EQ(rules.score, 0u);
    EXPECT_EQ(rules.rowsRemoved, 0u);
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_STREQ(rules.statusText, L"");
    EXPECT_TRUE(rules.timers.empty());
}

// ---- Choosing and spawning pieces ----

TEST_F(GameRulesTest, ChooseNextPieceGivesEveryTypeAndOnlyExistingOrientations) {
    std::srand(7);
    std::set<std::pair<std::int32_t, std::int32_t>> seen;
    for (int i = 0; i < 2000; ++i) {
        rules.ChooseNextPiece();
        ASSERT_NE(BuiltShapes().FindShape(rules.nextType, rules.nextOrientation), nullptr)
            << rules.nextType << "/" << rules.nextOrientation;
        seen.insert({rules.nextType, rules.nextOrientation});
    }
    // Every record's orientation turns up: four for each type but the square, which has one.
    EXPECT_EQ(seen.size(), 25u);
    EXPECT_EQ(rules.hooks, "");
}

// Without a preview, as at the start of a game, the piece that enters is chosen then.
TEST_F(GameRulesTest, SpawnPieceBringsInThePreviewedOrAChosenPieceAtColumnThree) {
    std::srand(3);
    rules.state = GameState::Playing;
    EXPECT_TRUE(rules.SpawnPiece());
    EXPECT_NE(BuiltShapes().FindShape(rules.currentType, rules.currentOrientation), nullptr);
    EXPECT_NE(rules.nextType, 0);
    EXPECT_EQ(rules.hooks, "C");

    rules.hooks.clear();
    rules.nextType = 6;
    rules.nextOrientation = 2;
    EXPECT_TRUE(rules.SpawnPiece());
    EXPECT_EQ(rules.currentType, 6);
    EXPECT_EQ(rules.currentOrientation, 2);
    EXPECT_EQ(rules.pieceX, 3);
    EXPECT_EQ(rules.pieceY, 0);
    EXPECT_EQ(PieceCells(rules), (Cells{{5, 0}, {4, 1}, {5, 1}, {4, 2}}));
    // A new preview is chosen, and the piece is not written into the board.
    EXPECT_NE(BuiltShapes().FindShape(rules.nextType, rules.nextOrientation), nullptr);
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.hooks, "C");
}

// The rules only report the overlap; the flow then ends the game, which freezes the piece (see
// GameFlowTest).
TEST_F(GameRulesTest, SpawnPieceOverlappingBlocksReturnsFalseAndLeavesEndingToTheCaller) {
    rules.state = GameState::Landed;
    rules.board[5][1] = 1;
    rules.nextType = 3;
    rules.nextOrientation = 1;
    EXPECT_FALSE(rules.SpawnPiece());
    EXPECT_EQ(rules.hooks, "C");
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(PieceCells(rules), (Cells{{4, 0}, {5, 0}, {6, 0}, {5, 1}}));
}

TEST_F(GameRulesTest, SpawnPieceWithoutShapesBringsNoPiece) {
    ShapeTable empty;
    RecordingFlow bare(empty);
    bare.state = GameState::Playing;
    EXPECT_FALSE(bare.SpawnPiece());
    EXPECT_EQ(bare.currentType, 0);
    EXPECT_EQ(bare.hooks, "C");
    bare.StepPiece();
    EXPECT_EQ(CountBlocks(bare), 0);
}

// ---- Moving, and what the well refuses ----

TEST_F(GameRulesTest, MoveLeftAndRightShiftOriginAndCells) {
    rules.Place(3, 1, 3, 5);
    rules.MovePieceLeft();
    EXPECT_EQ(rules.pieceX, 2);
    EXPECT_EQ(PieceCells(rules), (Cells{{3, 5}, {4, 5}, {5, 5}, {4, 6}}));
    rules.MovePieceRight();
    rules.MovePieceRight();
    EXPECT_EQ(rules.pieceX, 4);
    EXPECT_EQ(PieceCells(rules), (Cells{{5, 5}, {6, 5}, {7, 5}, {6, 6}}));
    EXPECT_EQ(rules.hooks, "BBB");
}

// A piece at a frame origin, with one block or none (x -1) beside it, and an action that the
// walls, the floor or the block refuse.
struct RefusedCase {
    const char* name;
    Action action;
    Piece piece;
    Cell block;
};

TEST_F(GameRulesTest, MovesTurnsAndDropsThatTheWellDoesNotAllowChangeNothing) {
    const Action left = &RecordingFlow::MovePieceLeft;
    const Action right = &RecordingFlow::MovePieceRight;
    const Action turn = &RecordingFlow::RotatePiece;
    const Action drop = &RecordingFlow::DropPiece;
    const RefusedCase cases[] = {
        {"vertical bar at the left wall", left, {1, 2, -2, 3}, {-1, 0}},
        {"vertical bar at the right wall", right, {1, 4, 7, 3}, {-1, 0}},
        {"horizontal bar at the left wall", left, {1, 1, 0, 3}, {-1, 0}},
        {"horizontal bar at the right wall", right, {1, 3, 6, 3}, {-1, 0}},
        {"T blocked below its left arm", left, {3, 1, 3, 5}, {4, 6}},
        {"T blocked on its right", right, {3, 1, 3, 5}, {7, 5}},
        {"vertical bar blocked at its lowest cell", left, {1, 2, 2, 10}, {3, 13}},
        {"square, which never turns", turn, {2, 1, 3, 5}, {-1, 0}},
        // Horizontal would need columns -2..1.
        {"vertical bar in column 0", turn, {1, 2, -2, 3}, {-1, 0}},
        {"vertical bar in column 0, orientation 4", turn, {1, 4, -2, 3}, {-1, 0}},
        // Horizontal would need columns 7..10.
        {"vertical bar in column 9", turn, {1, 2, 7, 3}, {-1, 0}},
        {"horizontal bar on the floor", turn, {1, 1, 3, 17}, {-1, 0}},
        {"T pointing right at the left wall", turn, {3, 4, -2, 3}, {-1, 0}},
        {"T onto a block", turn, {3, 1, 3, 5}, {5, 7}},
        // The target cells (5,5..8) are free; the swept frame cells (3,1) and (3,2) are not.
        {"horizontal bar with sweep cell (3,1) taken", turn, {1, 1, 3, 5}, {6, 6}},
        {"horizontal bar with sweep cell (3,2) taken", turn, {1, 1, 3, 5}, {6, 7}},
        {"vertical bar with sweep cell (1,3) taken", turn, {1, 2, 3, 5}, {4, 8}},
        {"J with sweep cell (3,2) taken", turn, {5, 2, 3, 5}, {6, 7}},
        // A drop on a piece that already rests.
        {"square on a block", drop, {2, 1, 1, 15}, {2, 17}},
        {"square on the floor", drop, {2, 1, 5, 16}, {-1, 0}},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFlow flow;
        flow.Place(c.piece.type, c.piece.orientation, c.piece.x, c.piece.y);
        if (c.block.x >= 0) {
            flow.board[c.block.x][c.block.y] = 1;
        }
        ExpectNoChange(flow, c.action);
    }
}

// ---- Turning ----

// A turn keeps the frame's origin and goes to the next orientation by number, 1 → 2 → 3 → 4 → 1,
// whatever the order of the shape table: the bar lies in 1 and 3 and stands in 2 and 4. Each
// piece, turned from where it enters at (3, 5), stands on these cells after every quarter turn; a
// record moved by a column would make its piece jump sideways when turned.
TEST_F(GameRulesTest, TurnKeepsTheOriginAndCyclesThroughTheOrientationsByNumber) {
    const struct {
        std::int32_t type;
        std::vector<Cells> turns;
    } cases[] = {
        {3,
         {{{5, 5}, {5, 6}, {5, 7}, {4, 6}},
          {{5, 5}, {4, 6}, {5, 6}, {6, 6}},
          {{5, 5}, {5, 6}, {5, 7}, {6, 6}},
          {{4, 5}, {5, 5}, {6, 5}, {5, 6}}}},
        {1, {{{5, 5}, {5, 6}, {5, 7}, {5, 8}}, {{3, 5}, {4, 5}, {5, 5}, {6, 5}}}},
        // L: foot right of its lower end; lying, foot under its left end; hanging; lying, foot up.
        {4,
         {{{4, 5}, {5, 5}, {6, 5}, {4, 6}},
          {{4, 5}, {5, 5}, {5, 6}, {5, 7}},
          {{6, 5}, {4, 6}, {5, 6}, {6, 6}},
          {{4, 5}, {4, 6}, {4, 7}, {5, 7}}}},
        // J: the mirror image.
        {5,
         {{{4, 5}, {4, 6}, {5, 6}, {6, 6}},
          {{4, 5}, {5, 5}, {4, 6}, {4, 7}},
          {{4, 5}, {5, 5}, {6, 5}, {6, 6}},
          {{5, 5}, {5, 6}, {5, 7}, {4, 7}}}},
        // The two skews, like the bar, stand in 2 and 4 and lie in 1 and 3, each time on the same
        // cells, as ShapeTable.TurnsAreQuarterTurnsClockwiseThatCycle checks.
        {6, {{{5, 5}, {4, 6}, {5, 6}, {4, 7}}, {{4, 5}, {5, 5}, {5, 6}, {6, 6}}}},
        {7, {{{4, 5}, {4, 6}, {5, 6}, {5, 7}}, {{5, 5}, {6, 5}, {4, 6}, {5, 6}}}},
    };
    for (const auto& c : cases) {
        RecordingFlow flow;
        flow.Place(c.type, 1, 3, 5);
        for (std::size_t i = 0; i < c.turns.size(); ++i) {
            SCOPED_TRACE("type " + std::to_string(c.type) + ", turn " + std::to_string(i + 1));
            flow.RotatePiece();
            EXPECT_EQ(flow.currentOrientation, static_cast<std::int32_t>((i + 1) % 4 + 1));
            EXPECT_EQ(flow.pieceX, 3);
            EXPECT_EQ(flow.pieceY, 5);
            EXPECT_EQ(PieceCells(flow), c.turns[i]);
        }
        EXPECT_EQ(flow.hooks, std::string(c.turns.size(), 'B'));
    }
}

TEST_F(GameRulesTest, TurnNextToABlockOutsideTheSweepIsAllowed) {
    rules.Place(1, 1, 3, 5);
    rules.board[4][6] = 1;  // frame cell (1,1): neither a target nor a sweep cell
    rules.RotatePiece();
    EXPECT_EQ(rules.currentOrientation, 2);
    EXPECT_EQ(rules.hooks, "B");
}

// ---- Dropping ----

TEST_F(GameRulesTest, DropTakesThePieceDownToTheFloorOrNearestBlockWithoutLandingIt) {
    rules.Place(1, 2, 3, 0);
    rules.DropPiece();
    EXPECT_EQ(rules.pieceY, 14);
    EXPECT_EQ(PieceCells(rules), (Cells{{5, 14}, {5, 15}, {5, 16}, {5, 17}}));
    EXPECT_EQ(rules.currentType, 1);
    EXPECT_EQ(rules.state, GameState::Playing);
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.hooks, "B");

    // A T pointing down over a stack that is highest under its right arm.
    LoadBottomRows(rules, {"......X...", "......X...", "....XXX..."});
    rules.Place(3, 1, 3, 0);
    rules.DropPiece();
    EXPECT_EQ(rules.pieceY, 14);
    EXPECT_EQ(PieceCells(rules), (Cells{{4, 14}, {5, 14}, {6, 14}, {5, 15}}));
}

TEST_F(GameRulesTest, AfterADropThePieceSlidesAndFallsFurtherOnTheNextSteps) {
    LoadBottomRows(rules, {
                              "....XX....",
                              "....XX....",
                              "....XX....",
                              "....XX....",
                              "....XX....",
                              "X...XX....",
                          });
    rules.Place(2, 1, 3, 0);  // square over the tower in columns 4..5
    rules.DropPiece();
    EXPECT_EQ(rules.pieceY, 10);
    rules.MovePieceRight();
    rules.MovePieceRight();
    EXPECT_EQ(PieceCells(rules), (Cells{{6, 10}, {7, 10}, {6, 11}, {7, 11}}));
    for (int row = 11; row <= 16; ++row) {
        rules.StepPiece();
        EXPECT_EQ(rules.pieceY, row);
        EXPECT_EQ(rules.currentType, 2);
    }
    EXPECT_EQ(rules.hooks, "BBBBBBBBB");
    rules.StepPiece();
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(BottomRows(rules, 2), (std::vector<std::string>{"....XXXX..", "X...XXXX.."}));
}

// ---- Falling ----

TEST_F(GameRulesTest, StepMovesThePieceDownOneRow) {
    rules.Place(5, 1, 3, 4);
    rules.StepPiece();
    EXPECT_EQ(rules.pieceY, 5);
    EXPECT_EQ(PieceCells(rules), (Cells{{5, 5}, {5, 6}, {5, 7}, {4, 7}}));
    EXPECT_EQ(rules.state, GameState::Playing);
    EXPECT_EQ(rules.hooks, "B");
}

// ---- Landing, removing rows and scoring ----

// A piece that the next step lands, over the bottom rows of the well, and the bottom rows after
// the landing with the rows it removed and their points.
struct LandingCase {
    const char* name;
    Piece piece;
    std::uint32_t rows, points;
    std::vector<std::string> before;
    std::vector<std::string> after;
};

// Every landing adds its rows and points to the counts of the game so far, here 1 and 100.
TEST_F(GameRulesTest, LandingWritesThePieceAndRemovesAndScoresTheRowsItFills) {
    std::vector<std::string> filledToTheTop(18, ".........X");
    filledToTheTop[17] = "XXXXXX....";
    const LandingCase cases[] = {
        {"on the floor", {4, 1, 3, 15}, 0, 0, {}, {"....X.....", "....X.....", "....XX...."}},
        // A T pointing up; its right arm (7,15) rests on (7,16).
        {"on a block under one of its cells",
         {3, 3, 4, 14},
         0,
         0,
         {".......X..", ".......X.."},
         {"......X...", ".....XXX..", ".......X..", ".......X.."}},
        {"completing the only occupied row", {1, 1, 6, 17}, 1, 100, {"XXXXXX...."}, {}},
        // A vertical bar in column 0, rows 14..17: the rows between and above the two it fills
        // move down.
        {"two rows with others between and above",
         {1, 2, -2, 14},
         2,
         250,
         {"....X.....", "...X.X....", ".........X", ".....X....", ".XXXXXXXXX", ".XXXX.....",
          ".XXXXXXXXX"},
         {"....X.....", "...X.X....", ".........X", "X....X....", "XXXXX....."}},
        // The full row is the only one that is not partly filled: row 0 ends up empty, no loss.
        {"a full row in a well filled to the top",
         {1, 1, 6, 17},
         1,
         100,
         filledToTheTop,
         std::vector<std::string>(17, ".........X")},
    };
    for (const LandingCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFlow flow;
        LoadBottomRows(flow, c.before);
        flow.rowsRemoved = 1;
        flow.score = 100;
        flow.Place(c.piece.type, c.piece.orientation, c.piece.x, c.piece.y);
        flow.StepPiece();
        EXPECT_EQ(flow.currentType, 0);
        EXPECT_EQ(flow.state, GameState::Landed);
        EXPECT_EQ(flow.hooks, "C");
        EXPECT_EQ(BottomRows(flow, GameRules::WellHeight), WholeWell(c.after));
        EXPECT_EQ(flow.rowsRemoved, 1 + c.rows);
        EXPECT_EQ(flow.score, 100 + c.points);
    }
}

TEST_F(GameRulesTest, PointsDependOnTheRowsRemovedAtOnce) {
    const std::uint32_t expectedPoints[] = {100, 250, 400, 550};
    for (int full = 1; full <= 4; ++full) {
        SCOPED_TRACE(std::to_string(full) + " rows");
        // The bottom rows lack only column 0; the rows above them up to row 14 hold one block.
        std::vector<std::string> picture(4 - full, ".........X");
        picture.insert(picture.end(), full, ".XXXXXXXXX");
        RecordingFlow fresh;
        fresh.level = 3;  // points do not depend on the difficulty
        LoadBottomRows(fresh, picture);
        fresh.Place(1, 4, -2, 14);
        fresh.StepPiece();
        EXPECT_EQ(fresh.rowsRemoved, static_cast<std::uint32_t>(full));
        EXPECT_EQ(fresh.score, expectedPoints[full - 1]);
        EXPECT_EQ(CountBlocks(fresh), 2 * (4 - full));
        EXPECT_EQ(GameRules::PointsForRows(full), expectedPoints[full - 1]);
    }
    EXPECT_EQ(GameRules::PointsForRows(0), 0u);
}

// ---- Losing ----

TEST_F(GameRulesTest, LandingThatLeavesEveryRowPartlyFilledLosesWithoutPoints) {
    LoadBottomRows(rules, std::vector<std::string>(18, ".........X"));
    rules.score = 700;
    rules.rowsRemoved = 3;
    rules.Place(2, 1, 3, 16);
    rules.StepPiece();
    // The rules set Landed, report the loss (the flow's end of the game repaints), and only then
    // ask for their own repaint.
    EXPECT_EQ(rules.hooks, "ECC");
    EXPECT_EQ(rules.stateAtEndGame, GameState::Landed);
    EXPECT_EQ(rules.state, GameState::GameOverPause);
    EXPECT_EQ(rules.score, 700u);
    EXPECT_EQ(rules.rowsRemoved, 3u);
    EXPECT_EQ(CountBlocks(rules), 18 + 4);
    EXPECT_EQ(BottomRows(rules, 3),
              (std::vector<std::string>{".........X", "....XX...X", "....XX...X"}));
}

// ---- Guards ----

TEST_F(GameRulesTest, ActionsDoNothingUnlessAnUnpausedGameHasAFallingPiece) {
    const struct {
        const char* name;
        bool paused;
        GameState state;
        bool hasPiece;
    } conditions[] = {
        {"paused", true, GameState::Playing, true},
        {"not ready", false, GameState::NotReady, true},
        {"idle", false, GameState::Idle, true},
        {"starting", false, GameState::Starting, true},
        {"landed", false, GameState::Landed, true},
        {"game over", false, GameState::GameOverPause, true},
        {"no piece", false, GameState::Playing, false},
    };
    const Action actions[] = {&RecordingFlow::MovePieceLeft, &RecordingFlow::MovePieceRight,
                              &RecordingFlow::RotatePiece, &RecordingFlow::DropPiece,
                              &RecordingFlow::StepPiece};
    for (const auto& condition : conditions) {
        for (std::size_t i = 0; i < std::size(actions); ++i) {
            SCOPED_TRACE(std::string(condition.name) + ", action " + std::to_string(i));
            RecordingFlow flow;
            flow.Place(3, 1, 3, 5);  // free to move, turn, drop and fall
            flow.paused = condition.paused;
            flow.state = condition.state;
            if (!condition.hasPiece) {
                flow.currentType = 0;
            }
            ExpectNoChange(flow, actions[i]);
        }
    }
}

// The cells of the last piece stay behind after it landed; a tick without a piece must not write
// them into the well again, even where rows have since moved down.
TEST_F(GameRulesTest, StepWithoutAFallingPieceWritesNothing) {
    rules.Place(1, 1, 6, 17);
    rules.currentType = 0;
    ExpectNoChange(rules, &RecordingFlow::StepPiece);
}

// ---- Freezing and clearing ----

TEST_F(GameRulesTest, FreezePieceWritesTheFallingPieceIntoTheWell) {
    rules.Place(7, 2, 3, 5);
    rules.FreezePiece();
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(CountBlocks(rules), 4);
    for (const Cell& cell : {Cell{4, 5}, Cell{4, 6}, Cell{5, 6}, Cell{5, 7}}) {
        EXPECT_EQ(rules.board[cell.x][cell.y], 1) << cell;
    }
    // Without a falling piece nothing more is written.
    rules.pieceCells[0] = {0, 0};
    rules.FreezePiece();
    EXPECT_EQ(CountBlocks(rules), 4);
    EXPECT_EQ(rules.hooks, "");
}

TEST_F(GameRulesTest, ClearGameEmptiesTheWellAndScoreButKeepsThePreview) {
    LoadBottomRows(rules, {"XXX.......", "XXXX.X...."});
    rules.Place(3, 1, 3, 5);
    rules.score = 950;
    rules.rowsRemoved = 5;
    rules.nextType = 4;
    rules.nextOrientation = 3;
    rules.ClearGame();
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.score, 0u);
    EXPECT_EQ(rules.rowsRemoved, 0u);
    EXPECT_EQ(rules.nextType, 4);
    EXPECT_EQ(rules.nextOrientation, 3);
    EXPECT_EQ(rules.hooks, "");
}

}  // namespace
