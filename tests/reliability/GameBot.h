// A simple player for long runs: it turns the falling piece a random number of times, then
// mostly slides it to the column where it leaves the flattest well, and now and then anywhere,
// so that it clears rows sometimes and still loses every game before long.
#pragma once

#include <cstdint>
#include <optional>
#include <random>

#include "TestMainWnd.h"

class GameBot {
  public:
    explicit GameBot(std::uint32_t seed);

    // Returns how many times to turn the piece that has just entered.
    int Turns();
    // Returns the columns to slide the falling piece of `game` by, negative to the left.
    int Slide(const TestMainWnd& game);
    // Returns true when the piece should fall a few rows on its own before the drop.
    bool LetsFall();

  private:
    // Returns how good the well is after the falling piece, slid by `shift`, drops; nothing when
    // it cannot stand there.
    std::optional<double> Rate(const TestMainWnd& game, int shift) const;

    std::mt19937 random_;
};
