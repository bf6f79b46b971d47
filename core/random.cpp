#include "core/random.h"

static Lcg g_random;

void SeedRandom(uint32_t seed) { g_random.state = seed; }

int RandomNumber() { return g_random.Next(); }

int RandomIndex(int count)
{
    if (count <= 0)
        return 0;
    if (count <= 32768)
        return RandomNumber() % count;
    int high = RandomNumber();
    int low = RandomNumber();
    return ((high << 15) | low) % count;
}

int DrawFromPool(std::vector<int>& pool, int* left)
{
    int r = RandomIndex(*left);
    int drawn = pool[r];
    pool[r] = pool[--*left];
    return drawn;
}
