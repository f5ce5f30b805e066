// The stages a game passes through, from window creation to the pause after a lost game.
#pragma once

#include <cstdint>

enum class GameState : std::int32_t {
    NotReady = 0,       // the window object exists, its controls do not yet
    Idle = 1,           // no game runs
    Starting = 2,       // a game was started and waits for its first piece
    Playing = 3,        // a piece is falling and the player's keys act
    Landed = 4,         // a piece has landed; the next one comes with the spawn tick
    GameOverPause = 5,  // the game is lost; the idle form returns shortly
};
