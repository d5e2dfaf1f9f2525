#pragma once

#include "host/DList.h"

// Self-similar traffic is the sum of many ON/OFF sources whose ON and OFF
// periods have heavy tails. Time in these sources is counted in byte times of
// a line of 12,500,000 bytes per second (0.08 us per byte).

// Puts `value` in the middle of (low, high) when it is not strictly inside.
void SetInRange(double& value, double low, double high);

// The uniform numbers of the sources: each takes exactly one draw from the
// kernel's generator 31 and tempers it as the Mersenne twister tempers its
// output. unit_open() divides by 2^32, giving [0, 1); unit_closed() by
// 2^32 - 1, giving [0, 1].
unsigned long tempered_draw();
double unit_open();
double unit_closed();

// One ON/OFF source: bursts of back-to-back packets separated by silences.
class Source : public DLinkable {
  public:
    ~Source() override = default;

    virtual int GetBurstSize() = 0;  // packets
    virtual double GetGapSize() = 0; // byte times
    virtual void SetLoad(double load) = 0;
    // Starts the source at a random point of its ON/OFF cycle.
    void Reset();

    short id = 0;
    short priority = 0;
    double time = 0; // of the next packet, byte times
    short packetSize = 512;
    // Byte times. Wider than a packet's count of bytes so that a long
    // minimum gap neither wraps nor overflows.
    long minGap = 0;
    long slot = 0; // packetSize + minGap: the time one packet occupies
    int remaining = 0;
    double offScale = 0;
    double onShape = 1.5;
    double offShape = 1.5;
};

// A source whose burst lengths and OFF times are Pareto-distributed.
class SourcePareto : public Source {
  public:
    int GetBurstSize() override;
    double GetGapSize() override;
    void SetLoad(double load) override;
};
