// The system's random numbers: a 32-bit linear congruential generator.
#pragma once
#include <cstdint>
#include <vector>

struct Lcg {
    uint32_t state = 1;
    // 0 to 32767: bits 16 to 30 of the next state.
    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// The program's one generator, seeded once at start-up.
void SeedRandom(uint32_t seed);
int RandomNumber();

// A random index below count (count > 0): one draw while every index can be
// reached by one, two draws above, so lists and books of any size are covered.
int RandomIndex(int count);

// Takes one of the first *left entries of pool at random, each once: the
// last of them moves into its place and *left shrinks by one (*left > 0).
int DrawFromPool(std::vector<int>& pool, int* left);
