#include "host/Source.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "sim/Distributions.h"

namespace {

constexpr int SOURCE_RNG = 31;
constexpr double TWO_32 = 4294967296.0;

} // namespace

void SetInRange(double& value, double low, double high)
{
    if (value <= low || value >= high)
        value = (low + high) / 2;
}

unsigned long tempered_draw()
{
    auto y = static_cast<uint32_t>(intuniform(1, 0x0FFFFFFF, SOURCE_RNG));
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

double unit_open()
{
    return static_cast<double>(tempered_draw()) / TWO_32;
}

double unit_closed()
{
    return static_cast<double>(tempered_draw()) / (TWO_32 - 1);
}

void Source::Reset()
{
    // In double: a long burst times the slot passes the range of an int.
    const double b = static_cast<double>(GetBurstSize()) * static_cast<double>(slot);
    const double c = GetGapSize();
    const double h = unit_closed() * (b + c);
    if (b < h) {
        remaining = GetBurstSize();
        time = (b + c) - h;
    } else {
        remaining = static_cast<int>(std::min((b - h) / static_cast<double>(slot) + 1, double(INT_MAX)));
        time = 0;
    }
}

int SourcePareto::GetBurstSize()
{
    const double packets = std::pow(1 - unit_open(), -1 / onShape) + 0.5;
    return static_cast<int>(std::min(packets, double(INT_MAX)));
}

double SourcePareto::GetGapSize()
{
    return std::pow(1 - unit_open(), -1 / offShape) * offScale;
}

void SourcePareto::SetLoad(double load)
{
    if (!(load > 0 && load < 1))
        load = 0.5;
    // Means of the Pareto draws truncated at the smallest u.
    const double r = 1 / (TWO_32 - 1);
    const double onMean = (1 - std::pow(r, 1 - 1 / onShape)) / (1 - 1 / onShape);
    const double offMean = (1 - std::pow(r, 1 - 1 / offShape)) / (1 - 1 / offShape);
    offScale =
        std::max(static_cast<double>(minGap), onMean / offMean * (packetSize / load - static_cast<double>(slot)));
}
