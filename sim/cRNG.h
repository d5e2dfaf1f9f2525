#pragma once

#include <cstdint>

#include "sim/cException.h"

// One stream of pseudo-random numbers: xoshiro256** (period 2^256 - 1), its
// 256-bit state filled by splitmix64 from a 64-bit seed. The same seed gives
// the same sequence, bit for bit, on every platform. Copying a generator copies
// its position in the stream; a generator built without a seed starts as if
// seeded with 1.
class cRNG {
  public:
    constexpr cRNG() { seed(1); }
    constexpr explicit cRNG(uint64_t seedValue) { seed(seedValue); }

    // Restarts the stream from the state that `seedValue` selects.
    constexpr void seed(uint64_t seedValue)
    {
        uint64_t x = seedValue;
        for (uint64_t& word : s_)
            word = splitmix64(x);
    }

    constexpr uint64_t next64()
    {
        const uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // Uniform in [1, 2147483646], the range of the classic 31-bit generators
    // that model code divides by 2147483647.
    uint32_t intRand() { return 1 + intRand(2147483646u); }

    // Uniform in [0, n). Multiplies a 32-bit draw by n and keeps the high
    // word, rejecting the few low words that would favour some results, so
    // every value is exactly equally likely.
    uint32_t intRand(uint32_t n)
    {
        if (n == 0)
            throwError("cRNG::intRand(): the range [0,n) is empty (n=0)");
        uint64_t m = (next64() >> 32) * n;
        uint32_t low = static_cast<uint32_t>(m);
        if (low < n) {
            const uint32_t threshold = static_cast<uint32_t>(-n) % n;
            while (low < threshold) {
                m = (next64() >> 32) * n;
                low = static_cast<uint32_t>(m);
            }
        }
        return static_cast<uint32_t>(m >> 32);
    }

    // Uniform in [0, 1) on the 2^53 multiples of 2^-53.
    double doubleRand() { return static_cast<double>(next64() >> 11) * 0x1.0p-53; }

    // Uniform in (0, 1): the midpoints of 2^52 equal cells, so neither 0 nor 1
    // can occur and u and 1 - u take the same set of values; for logarithms.
    double doubleRandNonzero() { return (static_cast<double>(next64() >> 12) + 0.5) * 0x1.0p-52; }

    // The splitmix64 step: advances `x` and returns a well-mixed function of it.
    static constexpr uint64_t splitmix64(uint64_t& x)
    {
        x += 0x9E3779B97F4A7C15ull;
        uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Equal when both are at the same point of the same stream.
    bool operator==(const cRNG& other) const
    {
        return s_[0] == other.s_[0] && s_[1] == other.s_[1] && s_[2] == other.s_[2] && s_[3] == other.s_[3];
    }
    bool operator!=(const cRNG& other) const { return !(*this == other); }

  private:
    static constexpr uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    uint64_t s_[4] = {};
};

// The kernel's numbered generators. Model code names a generator by number so
// that each kind of randomness keeps its own stream and changing one part of
// a model does not shift the numbers that another part sees.
constexpr int NUM_RANDOM_GENERATORS = 64;

cRNG& randomGenerator(int k);

// Seeds every generator k from a mix of (baseSeed, k), giving 64 unrelated
// streams. At program start the generators are as if seeded with 1.
void seedRandomGenerators(uint64_t baseSeed);

// Restarts generator k alone from `seed`.
void setRandomSeed(int k, uint64_t seed);

// On generator k: uniform in [1, 2147483646].
long genk_intrand(int k);
// On generator k: uniform in [0, n).
long genk_intrand(int k, long n);
// On generator k: uniform in [0, 1).
double genk_dblrand(int k);
