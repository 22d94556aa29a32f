// The seed of a randomized test: taken from an environment variable when it
// is set, so that a run can be replayed, and printed either way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The number in `variable`, or `fallback` when the variable is unset or empty.
inline std::uint32_t ChosenSeed(const char* variable, std::uint32_t fallback)
{
    const char* text = std::getenv(variable);
    const std::uint32_t seed =
        text == nullptr || *text == '\0' ? fallback : static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    std::printf("[  seed    ] %u (set %s=%u to replay)\n", seed, variable, seed);
    std::fflush(stdout);
    return seed;
}
