// The seed of a randomised test run: printed, so that a failing run can be replayed with it.
#pragma once

#include <cstdint>

// Returns the seed named by the environment variable `variable` when it is set, otherwise a fresh
// one, and prints it with the way to replay the run.
std::uint32_t RunSeed(const char* variable);
