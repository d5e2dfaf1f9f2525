#pragma once

#include "host/DList.h"
#include "host/Source.h"

// Merges a set of ON/OFF sources into one packet stream in time order. Each
// step sends the packet at the head and puts its source back in place for its
// next packet. Owns its sources.
class Generator {
  public:
    Generator() : id_(0), priority_(0) {}
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;
    ~Generator();

    // Builds `srcs` Pareto sources of MinGap `minGapUs` (us), shapes and a
    // load of `load` I/Os per second shared among them, each started at a
    // random point of its cycle.
    void build(double minGapUs, double onShapeValue, double offShapeValue, double load, long srcs);

    // Places `source` before the first source whose time is not smaller and
    // takes the head's packet as the current one.
    void InsertInOrder(Source* source);
    // Sends the packet at the head: its source moves on to its next packet.
    void step();

    double currentTime() const { return currentTime_; }
    const DList& sources() const { return sources_; }
    int packets() const { return packets_; }
    double bytes() const { return bytes_; }

  private:
    DList sources_;
    unsigned id_ : 10;
    unsigned priority_ : 6;
    double currentTime_ = 0;
    short packetSize_ = 0;
    double bytes_ = 0;
    int packets_ = 0;
    double previousTime_ = 0;
    int interPacketGap_ = 8;
};
