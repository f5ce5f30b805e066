// Fails the running test when a run of a game program showed a fault, however the test ends: the
// check runs when the watch goes out of scope, before the program (if still running) is ended.
#pragma once

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "GameProcess.h"

class FaultWatch {
  public:
    // `run` names the run in the failure, for example "the monkey with seed 42".
    FaultWatch(const GameProcess& game, std::string run) : game_(game), run_(std::move(run)) {}
    ~FaultWatch() {
        const std::string signs = game_.FaultSigns();
        if (!signs.empty()) {
            ADD_FAILURE() << run_ << " showed a fault:\n"
                          << signs << "its whole output:\n"
                          << game_.Output();
        }
    }
    FaultWatch(const FaultWatch&) = delete;
    FaultWatch& operator=(const FaultWatch&) = delete;

  private:
    const GameProcess& game_;
    std::string run_;
};
