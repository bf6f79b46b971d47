// The benchmarks' own random numbers (xorshift): the same inputs on every run.
#pragma once
#include <cstdint>

inline uint32_t g_benchRandom = 1;

inline uint32_t Next()
{
    g_benchRandom ^= g_benchRandom << 13;
    g_benchRandom ^= g_benchRandom >> 17;
    g_benchRandom ^= g_benchRandom << 5;
    return g_benchRandom;
}
