// Plays single actions on the real game flow, as its front end delivers them, and judges each one
// by what the rules and the flow promise: a refused action changes nothing; a move, turn or drop
// goes exactly where the well lets it; a landing removes the full rows and scores them; the
// button, the pause key and every tick bring the game, its timers and its controls to the state
// they must. The random rules test and the fuzzer share it. Nothing here needs GoogleTest: a
// broken promise comes back as a sentence.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "RecordingFlow.h"
#include "RulesInvariants.h"

class PlayReferee {
  public:
    enum class Action {
        Left,
        Right,
        Turn,
        Drop,
        Pause,
        Button,
        StartDelayTick,
        FallTick,
        SpawnTick,
        GameOverTick,
    };

    // What the plays have reached, to show that they got to the interesting parts.
    struct Reached {
        int landings = 0;
        int rowsRemoved = 0;
        int multiRowRemovals = 0;
        int spawnLosses = 0;
        int fullWellLosses = 0;
        int turns = 0;
        int drops = 0;
        int games = 0;
    };

    // The flow starts as the window leaves it once its controls exist; what the plays reach is
    // added to `reached`.
    explicit PlayReferee(Reached& reached) : reached_(reached) { flow_.ControlsCreated(); }

    RecordingFlow& Flow() { return flow_; }

    // Plays `action` and returns what it broke, followed by the game's fields, or an empty
    // string. A tick comes only while its timer runs, as the system delivers it; otherwise
    // nothing happens.
    std::string Play(Action action) {
        // Each action's name, its judge and, for a tick, the timer whose tick it is.
        struct Rule {
            const char* name;
            void (PlayReferee::*judge)();
            std::uintptr_t timer;
        };
        static const Rule rules[] = {
            {"left", &PlayReferee::Left, 0},
            {"right", &PlayReferee::Right, 0},
            {"turn", &PlayReferee::Turn, 0},
            {"drop", &PlayReferee::Drop, 0},
            {"pause", &PlayReferee::Pause, 0},
            {"button", &PlayReferee::Button, 0},
            {"start tick", &PlayReferee::StartDelayTick, GameFlow::StartDelayTimer},
            {"fall tick", &PlayReferee::FallTick, GameFlow::FallTimer},
            {"spawn tick", &PlayReferee::SpawnTick, GameFlow::SpawnTimer},
            {"end tick", &PlayReferee::GameOverTick, GameFlow::GameOverTimer},
        };
        const Rule& rule = rules[static_cast<int>(action)];
        flow_.hooks.clear();
        broken_.clear();
        if (rule.timer == 0 || flow_.timers.count(rule.timer) != 0) {
            (this->*rule.judge)();
        }
        if (broken_.empty()) {
            CheckBetweenActions();
        }
        if (broken_.empty()) {
            return "";
        }
        return std::string(rule.name) + ": " + broken_ + "\n" + Describe();
    }

    // Makes `shape` the previewed piece while a game runs, where it stands for the random
    // choice, so that short plays can build rows on purpose.
    void ChoosePreview(const ShapeRecord& shape) {
        if (Runs(flow_.state)) {
            flow_.nextType = shape.type;
            flow_.nextOrientation = shape.orientation;
        }
    }

  private:
    using Timers = std::map<std::uintptr_t, std::uint32_t>;

    // Prints the fields and the well into a string: 'X' a landed block, '@' a falling cell.
    std::string Describe() const {
        std::string text =
            "state " + std::to_string(static_cast<int>(flow_.state)) + ", paused " +
            std::to_string(flow_.paused) + ", piece " + std::to_string(flow_.currentType) + "/" +
            std::to_string(flow_.currentOrientation) + " at (" + std::to_string(flow_.pieceX) +
            "," + std::to_string(flow_.pieceY) + "), next " + std::to_string(flow_.nextType) + "/" +
            std::to_string(flow_.nextOrientation) + ", rows " + std::to_string(flow_.rowsRemoved) +
            ", score " + std::to_string(flow_.score) + ", hooks \"" + flow_.hooks + "\"\n";
        std::vector<std::string> rows = BottomRows(flow_, GameRules::WellHeight);
        for (const Cell& cell : flow_.pieceCells) {
            if (flow_.currentType != 0 && Inside(cell)) {
                rows[cell.y][cell.x] = '@';
            }
        }
        for (const std::string& row : rows) {
            text += "  " + row + "\n";
        }
        return text;
    }

    void Require(bool holds, const char* what) {
        if (!holds && broken_.empty()) {
            broken_ = what;
        }
    }

    // Returns whether a game runs: from its start until it is stopped or lost.
    static bool Runs(GameState state) {
        return state == GameState::Starting || state == GameState::Playing ||
               state == GameState::Landed;
    }

    bool PlayerCanAct() const {
        return !flow_.paused && flow_.state == GameState::Playing && flow_.currentType != 0;
    }

    bool Unchanged(const RulesSnapshot& before, const Timers& timers) const {
        return RulesSnapshot(flow_) == before && flow_.timers == timers && flow_.hooks.empty();
    }

    // ---- The player's keys ----

    // Returns whether a key acted. A refused key changes nothing and asks for no repaint; a key
    // that acts may do so only in a running game and repaints the board once.
    bool KeyActed(const RulesSnapshot& before, bool couldAct) {
        if (flow_.hooks.empty()) {
            Require(RulesSnapshot(flow_) == before, "a refused key changed a field");
            return false;
        }
        Require(flow_.hooks == "B", "a key asked for another repaint than the board's");
        Require(couldAct, "a key acted on a paused or stopped game, or without a piece");
        Require(SameExceptPiecePosition(before), "a key changed more than the piece's position");
        return true;
    }

    bool SameExceptPiecePosition(const RulesSnapshot& before) const {
        RulesSnapshot after(flow_);
        after.pieceX = before.pieceX;
        after.pieceY = before.pieceY;
        after.currentOrientation = before.currentOrientation;
        after.pieceCells = before.pieceCells;
        return after == before;
    }

    void Left() { Sideways(-1, GameFlow::LeftKey); }
    void Right() { Sideways(1, 'D'); }

    void Sideways(std::int32_t dx, std::uint32_t key) {
        const RulesSnapshot before(flow_);
        const bool couldAct = PlayerCanAct();
        const bool free = couldAct && AllFree(before.board, before.pieceCells, dx, 0);
        flow_.PressKey(key);
        const bool moved = KeyActed(before, couldAct);
        Require(moved || !free, "a sideways move into free cells was refused");
        Require(!moved || free, "a sideways move went into a wall or a block");
        Require(!moved || (flow_.pieceX == before.pieceX + dx && flow_.pieceY == before.pieceY &&
                           flow_.currentOrientation == before.currentOrientation),
                "a sideways move did not shift the piece by one column");
    }

    // A turn takes the piece a quarter turn clockwise to the next orientation of its type,
    // 1 → 2 → 3 → 4 → 1, in place: the frame's origin stays. It happens exactly when every cell of
    // the turned piece lies inside the well and is free, and every cell that the piece passes
    // over on the way (the sweep cells of the orientation it turns from) is free.
    void Turn() {
        const RulesSnapshot before(flow_);
        const bool couldAct = PlayerCanAct();
        const Cell origin = {before.pieceX, before.pieceY};
        const std::int32_t next = before.currentOrientation % 4 + 1;
        const ShapeRecord* from =
            BuiltShapes().FindShape(before.currentType, before.currentOrientation);
        const ShapeRecord* to = BuiltShapes().FindShape(before.currentType, next);
        const bool free = couldAct && from != nullptr && to != nullptr &&
                          AllFree(before.board, CellsAt(*to, origin)) &&
                          AllFree(before.board, SweepCellsAt(*from, origin));
        flow_.PressKey(GameFlow::SpaceKey);
        const bool turned = KeyActed(before, couldAct);
        Require(turned || !free, "a turn into free cells was refused");
        Require(!turned || free, "a turn went into a wall or a block, or across one");
        if (turned) {
            ++reached_.turns;
            Require(flow_.currentOrientation == next && flow_.pieceX == origin.x &&
                        flow_.pieceY == origin.y && PieceCells(flow_) == CellsAt(*to, origin),
                    "a turn did not put the piece in its next orientation in place");
        }
    }

    void Drop() {
        const RulesSnapshot before(flow_);
        const bool couldAct = PlayerCanAct();
        const bool couldFall = couldAct && !Resting(flow_);
        flow_.PressKey(GameFlow::DownKey);
        const bool dropped = KeyActed(before, couldAct);
        Require(dropped == couldFall,
                "a drop moved a resting piece or refused one with room below");
        if (dropped) {
            ++reached_.drops;
            Require(Resting(flow_) && flow_.pieceY > before.pieceY &&
                        flow_.pieceX == before.pieceX &&
                        flow_.currentOrientation == before.currentOrientation &&
                        flow_.currentType == before.currentType,
                    "a drop did not take the piece straight down as far as it goes");
        }
    }

    // The pause key acts only while a piece may fall; the timers keep running.
    void Pause() {
        const RulesSnapshot before(flow_);
        const Timers timers = flow_.timers;
        flow_.PressKey('W');
        if (before.state != GameState::Playing) {
            Require(Unchanged(before, timers), "the pause key acted outside a running game");
            return;
        }
        Require(flow_.paused != before.paused, "the pause key did not pause or resume");
        Require(std::wcscmp(flow_.statusText,
                            flow_.paused ? GameFlow::PausedStatus : GameFlow::PlayingStatus) == 0,
                "the status line does not say whether the game is paused");
        Require(flow_.hooks == "P", "a pause did not repaint the panel alone");
        Require(flow_.timers == timers, "a pause changed the timers");
    }

    // ---- The button ----

    void Button() {
        const RulesSnapshot before(flow_);
        const Timers timers = flow_.timers;
        const int focus = flow_.focusTaken;
        const bool delayRefused = Refused(GameFlow::StartDelayTimer);
        flow_.PressButton();
        if (before.state == GameState::Starting) {
            Require(Unchanged(before, timers), "the button acted while a game was starting");
        } else if (before.state == GameState::Playing || before.state == GameState::Landed) {
            Stopped(before);
        } else if (delayRefused) {
            // Without the start delay's tick the game would never begin: it stays idle.
            Require(flow_.state == GameState::Idle && CopyWell(flow_) == Well{},
                    "a start without its timer did not stay idle on a cleared well");
            expectedRows_ = 0;
            expectedScore_ = 0;
        } else {
            Started(focus);
        }
    }

    // Returns whether the front end will refuse the next start of `timer`.
    bool Refused(std::uintptr_t timer) const { return flow_.refusedStarts.count(timer) != 0; }

    // A stopped game leaves its falling piece in the well where it was, and its pause flag.
    void Stopped(const RulesSnapshot& before) {
        Well expected = before.board;
        if (before.currentType != 0) {
            for (const Cell& cell : before.pieceCells) {
                expected[cell.x][cell.y] = 1;
            }
        }
        Require(
            flow_.state == GameState::Idle && flow_.currentType == 0 && CopyWell(flow_) == expected,
            "a stop did not leave the falling piece as blocks where it was");
        Require(flow_.paused == before.paused, "a stop changed the pause flag");
        Require(flow_.score == before.score && flow_.rowsRemoved == before.rowsRemoved,
                "a stop changed the score or the row count");
    }

    // A start clears the last game and waits for the start delay.
    void Started(int focusBefore) {
        Require(flow_.state == GameState::Starting, "the button did not start a game");
        Require(flow_.currentType == 0 && CopyWell(flow_) == Well{} && flow_.score == 0 &&
                    flow_.rowsRemoved == 0 && !flow_.paused,
                "a start did not clear the last game and its pause");
        Require(std::wcscmp(flow_.statusText, GameFlow::PlayingStatus) == 0,
                "a start did not say that a game runs");
        Require(flow_.focusTaken == focusBefore + 1, "a start did not take the keyboard");
        expectedRows_ = 0;
        expectedScore_ = 0;
        ++reached_.games;
    }

    // ---- The timers' ticks ----

    // The start delay's tick begins play: the level chosen, its fall interval, the first piece.
    void StartDelayTick() {
        const RulesSnapshot before(flow_);
        const std::intptr_t chosen = flow_.chosenLevel;
        const bool timersRefused = Refused(GameFlow::FallTimer) || Refused(GameFlow::SpawnTimer);
        flow_.Tick(GameFlow::StartDelayTimer);
        if (before.state != GameState::Starting) {
            Require(RulesSnapshot(flow_) == before, "a start delay's tick acted outside a start");
            return;
        }
        const bool known = chosen >= 1 && chosen <= 3;
        Require(flow_.level == (known ? chosen : 1), "the level is not the one chosen");
        if (timersRefused) {
            // Without its fall or spawn ticks the game ends at once as a stopped one.
            Require(flow_.state == GameState::Idle && flow_.currentType == 0,
                    "a game without its fall or spawn timer did not end as a stopped one");
            return;
        }
        Require(flow_.state == GameState::Playing, "the start delay's tick did not begin play");
        CheckSpawn(before);
    }

    // A new piece is the previewed one, if any, at the top of the frame's spawn column, with a
    // new preview chosen, and the well as it was.
    void CheckSpawn(const RulesSnapshot& before) {
        Require(flow_.currentType != 0 && flow_.nextType != 0,
                "a spawn left no falling or no next piece");
        Require(before.nextType == 0 || (flow_.currentType == before.nextType &&
                                         flow_.currentOrientation == before.nextOrientation),
                "the new piece is not the one that was previewed");
        Require(flow_.pieceX == GameRules::SpawnColumn && flow_.pieceY == 0,
                "a new piece did not enter at the top of the spawn column");
        Require(CopyWell(flow_) == before.board, "a spawn changed the well");
    }

    void FallTick() {
        const RulesSnapshot before(flow_);
        if (!PlayerCanAct()) {
            flow_.Tick(GameFlow::FallTimer);
            Require(RulesSnapshot(flow_) == before && flow_.hooks.empty(),
                    "a fall step acted without a falling piece or while paused");
        } else if (!Resting(flow_)) {
            flow_.Tick(GameFlow::FallTimer);
            Require(flow_.hooks == "B", "a fall step did not repaint the board once");
            Require(SameExceptPiecePosition(before) && flow_.pieceY == before.pieceY + 1 &&
                        flow_.pieceX == before.pieceX &&
                        flow_.currentOrientation == before.currentOrientation,
                    "a fall step did not move the piece down one row");
        } else {
            Land();
        }
    }

    // A resting piece lands: the well must match the plain model, and the rows and points are
    // counted here to be compared with the game's own count after every action.
    void Land() {
        const LandingModel model(flow_);
        const std::int32_t previewType = flow_.nextType;
        const GameState lostState = LostState();
        flow_.Tick(GameFlow::FallTimer);
        ++reached_.landings;
        Require(flow_.currentType == 0, "a landed piece is still falling");
        Require(CopyWell(flow_) == model.well, "the well after a landing differs from the model");
        if (model.lost) {
            ++reached_.fullWellLosses;
            Require(flow_.hooks.rfind("E", 0) == 0 && flow_.stateAtEndGame == GameState::Landed &&
                        flow_.state == lostState && flow_.nextType == 0,
                    "a full well did not end the game");
            return;
        }
        Require(flow_.nextType == previewType, "a landing changed the preview");
        Require(flow_.hooks == "C" && flow_.state == GameState::Landed,
                "a landing did not leave the game Landed with the client area repainted");
        Require(model.fullRows <= 4, "more rows were full than a piece spans");
        expectedRows_ += model.fullRows;
        expectedScore_ += model.fullRows == 0 ? 0 : kPointsForRows[model.fullRows - 1];
        reached_.rowsRemoved += static_cast<int>(model.fullRows);
        reached_.multiRowRemovals += model.fullRows > 1 ? 1 : 0;
    }

    // After a landing the next piece enters, or the game is lost when it overlaps blocks; the
    // piece that did not fit stays in the well where it appeared.
    void SpawnTick() {
        const RulesSnapshot before(flow_);
        const GameState lostState = LostState();
        flow_.Tick(GameFlow::SpawnTimer);
        if (before.state != GameState::Landed) {
            Require(RulesSnapshot(flow_) == before, "a spawn tick acted outside a landing");
            return;
        }
        if (flow_.state == GameState::Playing) {
            CheckSpawn(before);
            return;
        }
        ++reached_.spawnLosses;
        Require(flow_.state == lostState && flow_.currentType == 0,
                "a spawn tick neither brought a piece nor lost the game");
        Require(before.nextType != 0 && flow_.nextType == 0, "a lost game keeps its preview");
        const ShapeRecord* entered =
            BuiltShapes().FindShape(before.nextType, before.nextOrientation);
        const Cells cells =
            entered != nullptr ? CellsAt(*entered, {GameRules::SpawnColumn, 0}) : Cells{};
        for (const Cell& cell : cells) {
            Require(flow_.board[cell.x][cell.y] == 1, "the piece that did not fit is not shown");
        }
        Require(!AllFree(before.board, cells), "a new piece that fitted lost the game");
    }

    // Returns the state a game lost now comes to: the pause after the loss, or idle at once when
    // the pause's timer cannot start.
    GameState LostState() const {
        return Refused(GameFlow::GameOverTimer) ? GameState::Idle : GameState::GameOverPause;
    }

    // The game-over tick ends the pause after a lost game, the one state whose timer it is.
    void GameOverTick() {
        flow_.Tick(GameFlow::GameOverTimer);
        Require(flow_.state == GameState::Idle && flow_.nextType == 0 &&
                    std::wcscmp(flow_.statusText, GameFlow::GameOverStatus) == 0,
                "the game-over tick did not end the game");
    }

    // ---- What holds between any two actions ----

    void CheckBetweenActions() {
        const std::string invariant = FindBrokenInvariant(flow_);
        if (!invariant.empty()) {
            broken_ = invariant;
            return;
        }
        Require(flow_.rowsRemoved == expectedRows_, "the row count is not the rows removed");
        Require(flow_.score == expectedScore_, "the score is not the points of the rows removed");
        const GameState state = flow_.state;
        const bool runs = Runs(state);
        if (state == GameState::Starting) {
            Require(flow_.currentType == 0 && CopyWell(flow_) == Well{},
                    "a game waits to begin on a well that was not cleared");
        }
        Require(runs || flow_.nextType == 0, "a piece is previewed while no game runs");
        // The pause flag is set only while playing, and cleared only by the next start.
        Require(!flow_.paused || state == GameState::Playing || state == GameState::Idle,
                "the game is paused outside Playing and Idle");
        Require(TimersFit(state), "the running timers do not fit the state");
        const bool inGame = runs || state == GameState::GameOverPause;
        Require(flow_.controls ==
                    (inGame ? RecordingFlow::Controls::InGame : RecordingFlow::Controls::Idle),
                "the controls do not fit the state");
    }

    // Returns whether the running timers, with their intervals, are those of `state`: the start
    // delay while starting, the fall and spawn timers while a game runs, the game-over timer in
    // the pause after a loss. It builds no map, which would cost an allocation every action.
    bool TimersFit(GameState state) const {
        const auto are = [this](std::initializer_list<Timers::value_type> expected) {
            return std::equal(flow_.timers.begin(), flow_.timers.end(), expected.begin(),
                              expected.end());
        };
        switch (state) {
            case GameState::Starting:
                return are({{GameFlow::StartDelayTimer, GameFlow::StartDelayInterval}});
            case GameState::Playing:
            case GameState::Landed:
                return flow_.level >= 1 && flow_.level <= 3 &&
                       are({{GameFlow::FallTimer, kFallIntervals[flow_.level - 1]},
                            {GameFlow::SpawnTimer, GameFlow::SpawnInterval}});
            case GameState::GameOverPause:
                return are({{GameFlow::GameOverTimer, GameFlow::GameOverInterval}});
            default:
                return flow_.timers.empty();
        }
    }

    // The points for removing one to four rows at once, written out here rather than taken from
    // the rules, so that a wrong table in the rules shows.
    static constexpr std::uint32_t kPointsForRows[4] = {100, 250, 400, 550};
    // The fall intervals of levels 1, 2 and 3 in milliseconds, written out for the same reason.
    static constexpr std::uint32_t kFallIntervals[3] = {600, 400, 200};

    RecordingFlow flow_;
    Reached& reached_;
    std::string broken_;
    std::uint32_t expectedRows_ = 0;
    std::uint32_t expectedScore_ = 0;
};
