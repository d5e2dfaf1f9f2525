#include "sim/cRNG.h"

#include <array>

namespace {

using GeneratorSet = std::array<cRNG, NUM_RANDOM_GENERATORS>;

// The seed of generator k: both inputs pass through the splitmix64 mixer, so
// neighbouring base seeds or generator numbers give unrelated states and no
// (baseSeed, k) pair is a shifted copy of another.
constexpr uint64_t streamSeed(uint64_t baseSeed, int k)
{
    uint64_t x = baseSeed;
    uint64_t mixedBase = cRNG::splitmix64(x);
    uint64_t y = mixedBase ^ (static_cast<uint64_t>(k) * 0xD1B54A32D192ED03ull);
    return cRNG::splitmix64(y);
}

constexpr GeneratorSet seededGenerators(uint64_t baseSeed)
{
    GeneratorSet set;
    for (int k = 0; k < NUM_RANDOM_GENERATORS; k++)
        set[k].seed(streamSeed(baseSeed, k));
    return set;
}

// Built at compile time, so the generators are ready before any static
// initialiser of another file can draw from them.
constexpr GeneratorSet initialGenerators = seededGenerators(1);
GeneratorSet generators = initialGenerators;

} // namespace

cRNG& randomGenerator(int k)
{
    if (k < 0 || k >= NUM_RANDOM_GENERATORS)
        throwError("Random number generator %d does not exist (0 to 63)", k);
    return generators[k];
}

void seedRandomGenerators(uint64_t baseSeed)
{
    generators = seededGenerators(baseSeed);
}

void setRandomSeed(int k, uint64_t seed)
{
    randomGenerator(k).seed(seed);
}

long genk_intrand(int k)
{
    return static_cast<long>(randomGenerator(k).intRand());
}

long genk_intrand(int k, long n)
{
    cRNG& rng = randomGenerator(k);
    if (n <= 0)
        throwError("genk_intrand(): the range [0,n) is empty (n=%ld)", n);
    if (static_cast<unsigned long>(n) <= UINT32_MAX)
        return static_cast<long>(rng.intRand(static_cast<uint32_t>(n)));
    // Wider than 32 bits: draw under the next power of two and reject the
    // rest, which keeps every value equally likely.
    uint64_t limit = static_cast<uint64_t>(n);
    uint64_t mask = limit - 1;
    for (int shift = 1; shift < 64; shift <<= 1)
        mask |= mask >> shift;
    uint64_t x;
    do
        x = rng.next64() & mask;
    while (x >= limit);
    return static_cast<long>(x);
}

double genk_dblrand(int k)
{
    return randomGenerator(k).doubleRand();
}
