#include "core/random.h"

static Lcg g_random;

void SeedRandom(uint32_t seed) { g_random.state = seed; }

int RandomNumber() { return g_random.Next(); }
