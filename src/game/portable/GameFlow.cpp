#include "GameFlow.h"

namespace {

// Returns the difficulty that a chosen value stands for; anything unknown plays as the first.
const GameFlow::Difficulty& DifficultyOf(std::intptr_t chosen) {
    for (const GameFlow::Difficulty& difficulty : GameFlow::Difficulties) {
        if (chosen == difficulty.level) {
            return difficulty;
        }
    }
    return GameFlow::Difficulties[0];
}

}  // namespace

GameFlow::GameFlow(const ShapeTable& shapes) : GameRules(shapes) {}

// A game stays NotReady until its front end can show it: only then may it start.
void GameFlow::ControlsCreated() {
    if (state != GameState::NotReady) {
        return;
    }
    state = GameState::Idle;
    ShowIdleControls();
}

// The rules themselves refuse to move or turn a piece outside a running, unpaused game with a
// falling piece.
void GameFlow::PressKey(std::uint32_t key) {
    switch (key) {
        case SpaceKey:
            RotatePiece();
            break;
        case LeftKey:
        case AKey:
            MovePieceLeft();
            break;
        case UpKey:
        case WKey:
            TogglePause();
            break;
        case RightKey:
        case DKey:
            MovePieceRight();
            break;
        case DownKey:
        case SKey:
            DropPiece();
            break;
        default:
            break;
    }
}

void GameFlow::PressButton() {
    if (state == GameState::Playing || state == GameState::Landed) {
        StopGame();
    } else {
        StartGame();
    }
}

void GameFlow::Tick(std::uintptr_t timer) {
    switch (timer) {
        // Each tick acts only in the state that runs its timer. A timer that could not be stopped
        // (the system refused) keeps ticking: its ticks must not act on a later game.
        case StartDelayTimer:
            // Outside Starting the tick is ignored and the timer keeps running until BeginPlay.
            if (state == GameState::Starting) {
                BeginPlay();
            }
            break;
        case FallTimer:
            StepPiece();
            break;
        case SpawnTimer:
            AdvanceAfterLanding();
            break;
        case GameOverTimer:
            if (state == GameState::GameOverPause) {
                CompleteGameOver();
            }
            break;
        default:
            break;
    }
}

// Called when the button is pressed while no game runs, or during the pause after a lost game.
// The first piece comes with the start delay's tick.
void GameFlow::StartGame() {
    if (state == GameState::Starting || state == GameState::Playing || state == GameState::Landed) {
        return;
    }
    if (state == GameState::GameOverPause) {
        StopGame();
        // The lost game's pending tick would otherwise end the new game as soon as it starts.
        StopTimer(GameOverTimer);
    }
    state = GameState::Idle;
    ClearGame();
    // Without the start delay's tick the game would stay starting for good, with a button that
    // can no longer stop it; it stays idle instead, and a second press may start it.
    if (!StartTimer(StartDelayTimer, StartDelayInterval)) {
        RepaintClientArea();
        return;
    }
    ShowGameControls();
    statusText = PlayingStatus;
    paused = false;
    state = GameState::Starting;
    // The click left the focus on the button; the keys must reach the game.
    TakeFocus();
    RepaintClientArea();
}

// Called on the start delay's tick in Starting: the level is the one chosen, which is then shown
// as the level played, and the first piece enters the empty well.
void GameFlow::BeginPlay() {
    StopTimer(StartDelayTimer);
    const Difficulty& difficulty = DifficultyOf(ChosenLevel());
    level = difficulty.level;
    const bool falling = StartTimer(FallTimer, difficulty.fallInterval);
    ShowLevel(level);
    const bool spawning = StartTimer(SpawnTimer, SpawnInterval);
    state = GameState::Playing;
    SpawnPiece();
    // Without its ticks no piece would fall, or none would follow a landing: the game ends as a
    // stopped one does, rather than hang with its controls in their in-game form.
    if (!falling || !spawning) {
        StopGame();
    }
}

// Called on the spawn tick: after a landing the next piece enters, or the game is lost.
void GameFlow::AdvanceAfterLanding() {
    if (state != GameState::Landed) {
        return;
    }
    if (SpawnPiece()) {
        state = GameState::Playing;
    } else {
        EndGame();
    }
    RepaintClientArea();
}

// Called on the up arrow or W. The timers keep running: the fall step skips a paused game.
void GameFlow::TogglePause() {
    if (state != GameState::Playing) {
        return;
    }
    paused = !paused;
    statusText = paused ? PausedStatus : PlayingStatus;
    RepaintPanel();
}

// Called when the button stops a running game, and before a start during the pause after a lost
// game. The falling piece stays on the board; the pause flag stays until the next start.
void GameFlow::StopGame() {
    HaltPlay();
    ShowNoGame();
}

// Called by the rules when the game is lost. The controls keep their in-game form until the
// game-over tick; a press of the button during that pause starts a new game at once, as
// StartGame ends the lost one first.
void GameFlow::EndGame() {
    HaltPlay();
    state = GameState::GameOverPause;
    // Without the game-over tick the pause after the lost game is cut short.
    if (!StartTimer(GameOverTimer, GameOverInterval)) {
        CompleteGameOver();
        return;
    }
    RepaintClientArea();
}

// Called on the game-over tick in the pause after a lost game, or at once when that pause's timer
// cannot start.
void GameFlow::CompleteGameOver() {
    StopTimer(GameOverTimer);
    nextType = 0;
    ShowNoGame();
}

// Ends the play of a stopped or lost game: no piece falls or follows any more, the falling one
// stays in the well as blocks, and the preview empties.
void GameFlow::HaltPlay() {
    StopTimer(FallTimer);
    StopTimer(SpawnTimer);
    FreezePiece();
    nextType = 0;
}

// Shows that no game runs: the controls of none, and the end of the last on the status line.
void GameFlow::ShowNoGame() {
    state = GameState::Idle;
    ShowIdleControls();
    statusText = GameOverStatus;
    RepaintClientArea();
}
