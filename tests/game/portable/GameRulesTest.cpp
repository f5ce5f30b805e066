#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFlow.h"
#include "RulesInvariants.h"

namespace {

class GameRulesTest : public ::testing::Test {
  protected:
    // Expects that the last action changed no field and asked for no repaint.
    void ExpectRefused(const RulesSnapshot& before) {
        EXPECT_TRUE(RulesSnapshot(rules) == before) << "a field changed";
        EXPECT_EQ(rules.hooks, "");
    }

    std::vector<Cell> PieceCells() const {
        return std::vector<Cell>(std::begin(rules.pieceCells), std::end(rules.pieceCells));
    }

    RecordingFlow rules;
};

TEST_F(GameRulesTest, StartsNotReadyAtLevelOneWithAnEmptyWell) {
    EXPECT_EQ(rules.state, GameState::NotReady);
    EXPECT_FALSE(rules.paused);
    EXPECT_EQ(rules.level, 1);
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(rules.nextType, 0);
    EXPECT_EQ(rules.score, 0u);
    EXPECT_EQ(rules.rowsRemoved, 0u);
    EXPECT_EQ(CountBlocks(rules), 0);
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

TEST_F(GameRulesTest, SpawnPieceBringsInThePreviewedPieceAtColumnThree) {
    rules.state = GameState::Playing;
    rules.nextType = 6;
    rules.nextOrientation = 2;
    EXPECT_TRUE(rules.SpawnPiece());
    EXPECT_EQ(rules.currentType, 6);
    EXPECT_EQ(rules.currentOrientation, 2);
    EXPECT_EQ(rules.pieceX, 3);
    EXPECT_EQ(rules.pieceY, 0);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{5, 0}, {4, 1}, {5, 1}, {4, 2}}));
    // A new preview is chosen, and the piece is not written into the board.
    EXPECT_NE(BuiltShapes().FindShape(rules.nextType, rules.nextOrientation), nullptr);
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.hooks, "C");
}

TEST_F(GameRulesTest, SpawnPieceChoosesAPieceWhenNoneIsPreviewed) {
    std::srand(3);
    rules.state = GameState::Playing;
    EXPECT_TRUE(rules.SpawnPiece());
    EXPECT_NE(BuiltShapes().FindShape(rules.currentType, rules.currentOrientation), nullptr);
    EXPECT_NE(rules.nextType, 0);
    EXPECT_EQ(rules.hooks, "C");
}

// The rules only report the overlap; the flow then ends the game, which freezes the piece.
TEST_F(GameRulesTest, SpawnPieceOverlappingBlocksReturnsFalseAndLeavesEndingToTheCaller) {
    rules.state = GameState::Landed;
    rules.board[5][1] = 1;
    rules.nextType = 3;
    rules.nextOrientation = 1;
    EXPECT_FALSE(rules.SpawnPiece());
    EXPECT_EQ(rules.hooks, "C");
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{4, 0}, {5, 0}, {6, 0}, {5, 1}}));

    rules.EndGame();
    EXPECT_EQ(rules.state, GameState::GameOverPause);
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(BottomRows(rules, 18)[0], "....XXX...");
    EXPECT_EQ(BottomRows(rules, 18)[1], ".....X....");
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

// ---- Moving sideways ----

TEST_F(GameRulesTest, MoveLeftAndRightShiftOriginAndCells) {
    rules.Place(3, 1, 3, 5);
    rules.MovePieceLeft();
    EXPECT_EQ(rules.pieceX, 2);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{3, 5}, {4, 5}, {5, 5}, {4, 6}}));
    rules.MovePieceRight();
    rules.MovePieceRight();
    EXPECT_EQ(rules.pieceX, 4);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{5, 5}, {6, 5}, {7, 5}, {6, 6}}));
    EXPECT_EQ(rules.hooks, "BBB");
}

struct RefusedMove {
    const char* name;
    std::int32_t type, orientation, x, y;
    Cell block;  // x -1: no block
    bool left;
};

TEST_F(GameRulesTest, MovesIntoWallsOrBlocksAreRefused) {
    const RefusedMove cases[] = {
        {"vertical bar at the left wall", 1, 2, -2, 3, {-1, 0}, true},
        {"vertical bar at the right wall", 1, 4, 7, 3, {-1, 0}, false},
        {"horizontal bar at the left wall", 1, 1, 0, 3, {-1, 0}, true},
        {"horizontal bar at the right wall", 1, 3, 6, 3, {-1, 0}, false},
        {"T blocked below its left arm", 3, 1, 3, 5, {4, 6}, true},
        {"T blocked on its right", 3, 1, 3, 5, {7, 5}, false},
        {"vertical bar blocked at its lowest cell", 1, 2, 2, 10, {3, 13}, true},
    };
    for (const RefusedMove& c : cases) {
        SCOPED_TRACE(c.name);
        rules.hooks.clear();
        LoadBottomRows(rules, {});
        rules.Place(c.type, c.orientation, c.x, c.y);
        if (c.block.x >= 0) {
            rules.board[c.block.x][c.block.y] = 1;
        }
        const RulesSnapshot before(rules);
        if (c.left) {
            rules.MovePieceLeft();
        } else {
            rules.MovePieceRight();
        }
        ExpectRefused(before);
    }
}

// ---- Turning ----

TEST_F(GameRulesTest, TurnKeepsTheOriginAndCyclesThroughFourOrientations) {
    rules.Place(3, 1, 3, 5);
    const std::vector<std::vector<Cell>> expected = {
        {{5, 5}, {5, 6}, {5, 7}, {4, 6}},
        {{5, 5}, {4, 6}, {5, 6}, {6, 6}},
        {{5, 5}, {5, 6}, {5, 7}, {6, 6}},
        {{4, 5}, {5, 5}, {6, 5}, {5, 6}},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        rules.RotatePiece();
        EXPECT_EQ(rules.currentOrientation, static_cast<std::int32_t>((i + 1) % 4 + 1));
        EXPECT_EQ(rules.pieceX, 3);
        EXPECT_EQ(rules.pieceY, 5);
        EXPECT_EQ(PieceCells(), expected[i]) << "turn " << i + 1;
    }
    EXPECT_EQ(rules.hooks, "BBBB");
}

TEST_F(GameRulesTest, BarTurnsInThe1324Order) {
    rules.Place(1, 1, 3, 5);
    rules.RotatePiece();
    EXPECT_EQ(rules.currentOrientation, 2);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{5, 5}, {5, 6}, {5, 7}, {5, 8}}));
    rules.RotatePiece();
    EXPECT_EQ(rules.currentOrientation, 3);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{3, 5}, {4, 5}, {5, 5}, {6, 5}}));
}

TEST_F(GameRulesTest, SquareNeverTurns) {
    rules.Place(2, 1, 3, 5);
    const RulesSnapshot before(rules);
    rules.RotatePiece();
    ExpectRefused(before);
}

struct RefusedTurn {
    const char* name;
    std::int32_t type, orientation, x, y;
    Cell block;  // x -1: no block
};

TEST_F(GameRulesTest, TurnsOutOfTheWellOrOntoBlocksAreRefused) {
    const RefusedTurn cases[] = {
        // Horizontal would need columns -2..1.
        {"vertical bar in column 0", 1, 2, -2, 3, {-1, 0}},
        {"vertical bar in column 0, orientation 4", 1, 4, -2, 3, {-1, 0}},
        // Horizontal would need columns 7..10.
        {"vertical bar in column 9", 1, 2, 7, 3, {-1, 0}},
        {"horizontal bar on the floor", 1, 1, 3, 17, {-1, 0}},
        {"T pointing right at the left wall", 3, 4, -2, 3, {-1, 0}},
        {"T onto a block", 3, 1, 3, 5, {5, 7}},
        // The target cells (5,5..8) are free; the swept frame cells (3,1) and (3,2) are not.
        {"horizontal bar with sweep cell (3,1) taken", 1, 1, 3, 5, {6, 6}},
        {"horizontal bar with sweep cell (3,2) taken", 1, 1, 3, 5, {6, 7}},
        {"vertical bar with sweep cell (1,3) taken", 1, 2, 3, 5, {4, 8}},
        {"J with sweep cell (3,2) taken", 5, 2, 3, 5, {6, 7}},
    };
    for (const RefusedTurn& c : cases) {
        SCOPED_TRACE(c.name);
        rules.hooks.clear();
        LoadBottomRows(rules, {});
        rules.Place(c.type, c.orientation, c.x, c.y);
        if (c.block.x >= 0) {
            rules.board[c.block.x][c.block.y] = 1;
        }
        const RulesSnapshot before(rules);
        rules.RotatePiece();
        ExpectRefused(before);
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

TEST_F(GameRulesTest, DropMovesThePieceToTheFloorWithoutLandingIt) {
    rules.Place(1, 2, 3, 0);
    rules.DropPiece();
    EXPECT_EQ(rules.pieceY, 14);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{5, 14}, {5, 15}, {5, 16}, {5, 17}}));
    EXPECT_EQ(rules.currentType, 1);
    EXPECT_EQ(rules.state, GameState::Playing);
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.hooks, "B");
}

TEST_F(GameRulesTest, DropStopsAtTheNearestBlockBelowAnyCell) {
    // A T pointing down over a stack that is highest under its right arm.
    LoadBottomRows(rules, {
                              "......X...",
                              "......X...",
                              "....XXX...",
                          });
    rules.Place(3, 1, 3, 0);
    rules.DropPiece();
    EXPECT_EQ(rules.pieceY, 14);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{4, 14}, {5, 14}, {6, 14}, {5, 15}}));
}

TEST_F(GameRulesTest, DropOnAPieceThatAlreadyRestsChangesNothing) {
    LoadBottomRows(rules, {"..X......."});
    rules.Place(2, 1, 1, 15);  // square in columns 2..3 on the block at (2,17)
    const RulesSnapshot onBlock(rules);
    rules.DropPiece();
    ExpectRefused(onBlock);

    rules.Place(2, 1, 5, 16);  // square on the floor
    const RulesSnapshot onFloor(rules);
    rules.DropPiece();
    ExpectRefused(onFloor);
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
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{6, 10}, {7, 10}, {6, 11}, {7, 11}}));
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

// ---- Falling and landing ----

TEST_F(GameRulesTest, StepMovesThePieceDownOneRow) {
    rules.Place(5, 1, 3, 4);
    rules.StepPiece();
    EXPECT_EQ(rules.pieceY, 5);
    EXPECT_EQ(PieceCells(), (std::vector<Cell>{{5, 5}, {5, 6}, {5, 7}, {4, 7}}));
    EXPECT_EQ(rules.state, GameState::Playing);
    EXPECT_EQ(rules.hooks, "B");
}

TEST_F(GameRulesTest, PieceLandsOnTheFloor) {
    rules.Place(4, 1, 3, 15);
    rules.StepPiece();
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(BottomRows(rules, 3), (std::vector<std::string>{
                                        "....X.....",
                                        "....X.....",
                                        "....XX....",
                                    }));
    EXPECT_EQ(rules.score, 0u);
    EXPECT_EQ(rules.hooks, "C");
}

TEST_F(GameRulesTest, PieceLandsOnABlockUnderAnyOfItsCells) {
    LoadBottomRows(rules, {".......X..", ".......X.."});
    rules.Place(3, 3, 4, 14);  // T pointing up; its right arm (7,15) rests on (7,16)
    rules.StepPiece();
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(BottomRows(rules, 4), (std::vector<std::string>{
                                        "......X...",
                                        ".....XXX..",
                                        ".......X..",
                                        ".......X..",
                                    }));
}

// ---- Removing rows and scoring ----

TEST_F(GameRulesTest, LandingThatCompletesTheOnlyOccupiedRowEmptiesTheWell) {
    LoadBottomRows(rules, {"XXXXXX...."});
    rules.Place(1, 1, 6, 17);
    rules.StepPiece();
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.rowsRemoved, 1u);
    EXPECT_EQ(rules.score, 100u);
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(rules.hooks, "C");
}

TEST_F(GameRulesTest, RowsBetweenAndAboveRemovedRowsMoveDown) {
    LoadBottomRows(rules, {
                              "....X.....",
                              "...X.X....",
                              ".........X",
                              ".....X....",
                              ".XXXXXXXXX",
                              ".XXXX.....",
                              ".XXXXXXXXX",
                          });
    rules.score = 100;
    rules.rowsRemoved = 1;
    rules.Place(1, 2, -2, 14);  // vertical bar in column 0, rows 14..17
    rules.StepPiece();
    EXPECT_EQ(BottomRows(rules, 7), (std::vector<std::string>{
                                        "..........",
                                        "..........",
                                        "....X.....",
                                        "...X.X....",
                                        ".........X",
                                        "X....X....",
                                        "XXXXX.....",
                                    }));
    EXPECT_EQ(rules.rowsRemoved, 3u);
    EXPECT_EQ(rules.score, 350u);
    EXPECT_EQ(rules.hooks, "C");
}

TEST_F(GameRulesTest, PointsDependOnTheRowsRemovedAtOnce) {
    const std::uint32_t expectedPoints[] = {100, 250, 400, 550};
    for (int full = 1; full <= 4; ++full) {
        SCOPED_TRACE(std::to_string(full) + " rows");
        // The bottom rows lack only column 0; the rows above them up to row 14 hold one block.
        std::vector<std::string> picture;
        for (int row = 0; row < 4 - full; ++row) {
            picture.push_back(".........X");
        }
        for (int row = 0; row < full; ++row) {
            picture.push_back(".XXXXXXXXX");
        }
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

TEST_F(GameRulesTest, ScoreAddsUpOverSeveralLandings) {
    LoadBottomRows(rules, {"XXXXXX....", "XXXXXX...."});
    rules.Place(1, 1, 6, 0);
    rules.DropPiece();
    rules.StepPiece();
    rules.Place(1, 1, 6, 0);
    rules.DropPiece();
    rules.StepPiece();
    EXPECT_EQ(rules.rowsRemoved, 2u);
    EXPECT_EQ(rules.score, 200u);
    EXPECT_EQ(CountBlocks(rules), 0);
}

// ---- Losing ----

TEST_F(GameRulesTest, LandingThatLeavesEveryRowPartlyFilledLosesWithoutPoints) {
    std::vector<std::string> picture(18, ".........X");
    LoadBottomRows(rules, picture);
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

// When the full row is the only one that is not partly filled, row 0 ends up empty: no loss.
TEST_F(GameRulesTest, FullRowInAWellFilledToTheTopIsRemovedWithoutLoss) {
    std::vector<std::string> picture(18, ".........X");
    picture[17] = "XXXXXX....";
    LoadBottomRows(rules, picture);
    rules.Place(1, 1, 6, 17);
    rules.StepPiece();
    EXPECT_EQ(rules.hooks, "C");
    EXPECT_EQ(rules.state, GameState::Landed);
    EXPECT_EQ(rules.rowsRemoved, 1u);
    EXPECT_EQ(rules.score, 100u);
    EXPECT_EQ(BottomRows(rules, 18).front(), "..........");
    EXPECT_EQ(CountBlocks(rules), 17);
}

// ---- Guards ----

enum class Action { Left, Right, Rotate, Drop, Step };

TEST_F(GameRulesTest, ActionsDoNothingUnlessAnUnpausedGameHasAFallingPiece) {
    struct Condition {
        const char* name;
        bool paused;
        GameState state;
        bool hasPiece;
    };
    const Condition conditions[] = {
        {"paused", true, GameState::Playing, true},
        {"not ready", false, GameState::NotReady, true},
        {"idle", false, GameState::Idle, true},
        {"starting", false, GameState::Starting, true},
        {"landed", false, GameState::Landed, true},
        {"game over", false, GameState::GameOverPause, true},
        {"no piece", false, GameState::Playing, false},
    };
    const Action actions[] = {Action::Left, Action::Right, Action::Rotate, Action::Drop,
                              Action::Step};
    for (const Condition& condition : conditions) {
        for (Action action : actions) {
            SCOPED_TRACE(std::string(condition.name) + ", action " +
                         std::to_string(static_cast<int>(action)));
            RecordingFlow fresh;
            fresh.Place(3, 1, 3, 5);  // free to move, turn, drop and fall
            fresh.paused = condition.paused;
            fresh.state = condition.state;
            if (!condition.hasPiece) {
                fresh.currentType = 0;
            }
            const RulesSnapshot before(fresh);
            switch (action) {
                case Action::Left:
                    fresh.MovePieceLeft();
                    break;
                case Action::Right:
                    fresh.MovePieceRight();
                    break;
                case Action::Rotate:
                    fresh.RotatePiece();
                    break;
                case Action::Drop:
                    fresh.DropPiece();
                    break;
                case Action::Step:
                    fresh.StepPiece();
                    break;
            }
            EXPECT_TRUE(RulesSnapshot(fresh) == before) << "a field changed";
            EXPECT_EQ(fresh.hooks, "");
        }
    }
}

// The cells of the last piece stay behind after it landed; a tick without a piece must not write
// them into the well again, even where rows have since moved down.
TEST_F(GameRulesTest, StepWithoutAFallingPieceWritesNothing) {
    rules.Place(1, 1, 6, 17);
    rules.currentType = 0;
    rules.StepPiece();
    EXPECT_EQ(CountBlocks(rules), 0);
    EXPECT_EQ(rules.state, GameState::Playing);
    EXPECT_EQ(rules.hooks, "");
}

// ---- Freezing and clearing ----

TEST_F(GameRulesTest, FreezePieceWritesTheFallingPieceIntoTheWell) {
    rules.Place(7, 2, 3, 5);
    rules.FreezePiece();
    EXPECT_EQ(rules.currentType, 0);
    EXPECT_EQ(CountBlocks(rules), 4);
    EXPECT_EQ(rules.board[4][5], 1);
    EXPECT_EQ(rules.board[4][6], 1);
    EXPECT_EQ(rules.board[5][6], 1);
    EXPECT_EQ(rules.board[5][7], 1);
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
