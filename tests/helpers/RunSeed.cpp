#include "RunSeed.h"

#include <cstdio>
#include <cstdlib>
#include <random>

#include <windows.h>

std::uint32_t RunSeed(const char* variable) {
    std::uint32_t seed = 0;
    const char* given = std::getenv(variable);
    if (given != nullptr && *given != '\0') {
        seed = static_cast<std::uint32_t>(std::strtoul(given, nullptr, 0));
    } else {
        // Wine's random device is good enough, and the clock and process id make sure that two
        // runs started in the same instant still differ.
        std::random_device device;
        seed = device() ^ GetTickCount() ^ (GetCurrentProcessId() << 16);
    }
    std::printf("Seed of this run: %lu (replay with %s=%lu)\n", static_cast<unsigned long>(seed),
                variable, static_cast<unsigned long>(seed));
    std::fflush(stdout);
    return seed;
}
