// Damaged inputs made from good ones with fixed seeds, for the tests that feed
// them to the readers. Every round has a generator of its own, so a failure
// names the seed and round that replay it alone.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <malloc.h>
#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

// A reader's rounds: its base count times WB_FUZZ_ROUNDS (1 unless set; `make
// fuzz` runs 20). The first rounds are the same at any multiplier.
inline int FuzzRounds(int base)
{
    const char* value = getenv("WB_FUZZ_ROUNDS");
    int times = value ? atoi(value) : 1;
    return base * std::max(times, 1);
}

inline std::mt19937 RoundGenerator(unsigned seed, int round)
{
    std::seed_seq seq{seed, static_cast<unsigned>(round)};
    return std::mt19937(seq);
}

inline std::string FuzzWhere(unsigned seed, int round)
{
    return "seed " + std::to_string(seed) + ", round " + std::to_string(round);
}

inline std::string Mutate(std::string data, std::mt19937& rng)
{
    switch (rng() % 7) {
    case 0:  // cut anywhere
        data.resize(data.empty() ? 0 : rng() % data.size());
        break;
    case 1:  // random bytes
        for (int n = 1 + static_cast<int>(rng() % 16); n > 0 && !data.empty(); --n)
            data[rng() % data.size()] = static_cast<char>(rng());
        break;
    case 2:  // zeros
        for (int n = 1 + static_cast<int>(rng() % 8); n > 0 && !data.empty(); --n)
            data[rng() % data.size()] = '\0';
        break;
    case 3:  // a long run of one character somewhere
        data.insert(data.empty() ? 0 : rng() % data.size(), 100 + rng() % 400, "x,\n#"[rng() % 4]);
        break;
    case 4:  // line ends removed
        for (auto& c : data)
            if (c == '\n' && rng() % 2)
                c = 'y';
        break;
    case 5:  // a number made huge or negative
        if (size_t at = data.find_first_of("0123456789", data.empty() ? 0 : rng() % data.size());
            at != std::string::npos)
            data.insert(at, rng() % 2 ? "-" : "99999999999");
        break;
    default:  // bytes dropped
        for (int n = 1 + static_cast<int>(rng() % 8); n > 0 && !data.empty(); --n)
            data.erase(rng() % data.size(), 1);
        break;
    }
    return data;
}

// Random bytes of a random length below limit.
inline std::string RandomBytes(std::mt19937& rng, size_t limit)
{
    std::string bytes(rng() % limit, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    return bytes;
}

// The runtime's heap and the process heap hold together. Under Wine's heap
// checking (WINEDEBUG warn+heap) this also checks the guard bytes behind
// every live block, so a write past a buffer that is still in use shows.
inline bool HeapsIntact()
{
    return HeapValidate(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, nullptr) &&
           HeapValidate(GetProcessHeap(), 0, nullptr);
}
