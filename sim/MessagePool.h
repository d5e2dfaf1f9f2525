#pragma once

#include <cstddef>

// Storage for messages and their parameters. A port makes and frees several small messages for
// every frame (credits, requests, acknowledgements, the frame's parts), and
// each of them lives for a few events only; freed storage is kept on a list
// per size and handed out again, which is a few instructions against a trip
// through the general allocator each way. Storage is never given back to the
// system: the pool holds at most what the busiest moment of a run had alive,
// in slabs of 2 MiB.
//
// Under the address sanitizer every message goes to the general allocator,
// so that a use after free is still caught.
class MessagePool {
  public:
    static void* allocate(size_t size);
    static void release(void* p, size_t size);
    // Blocks waiting on the lists, for tests.
    static size_t spareBlocks();

  private:
    static constexpr size_t kGrain = 16;
    static constexpr size_t kLargest = 2048; // larger messages go to the general allocator
    static constexpr size_t kLists = kLargest / kGrain;

    struct Block {
        Block* next;
    };
    static size_t listOf(size_t size) { return (size + kGrain - 1) / kGrain - 1; }

    static constexpr size_t kSlab = size_t(2) << 20;
    // Out of line, so that handing out a spare block stays a few instructions.
    [[gnu::noinline]] static void* carve(size_t size);
    static char* mapSlab();

    static Block* lists_[kLists];
    static char* slabNext_;
    static char* slabEnd_;
};
