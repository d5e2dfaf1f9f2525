#pragma once

#include <cstddef>

// One mapping that holds a simple module's object at the top of its
// coroutine stack, with the stack's guard region below:
//
//     [ guard | stack ... frames | block header | module object | colour ]
//
// Resuming a module reads its suspended frames, just below the top of its
// stack, and the module's own fields; laid out this way the two share a page
// and often a cache line, so that with thousands of modules an event costs one
// page walk rather than two or three. The object sits up to 63 cache lines
// below the top, a different number for each block in turn (its colour), so
// that the hot lines of thousands of modules spread over the caches' sets;
// a small object takes only the colours that keep it and its suspended
// frames inside the top page.
//
// The stack is sized by the run's min-stack-size at the time the module is
// created; a module that needs more gets a stack of its own instead and
// leaves this one untouched (the mapping reserves no memory until written).
class ModuleStackBlock {
  public:
    // Maps a block for an object of `objectSize` bytes and returns the object's
    // place in it.
    static void* allocate(size_t objectSize);
    // Keeps the block of an object that allocate() placed for the next
    // module of its size.
    static void release(void* object);
    // The stack of the block that holds `object`; false when `object` was not
    // placed by allocate() (a module made on the stack or inside another object).
    static bool stackOf(const void* object, char*& stackBottom, size_t& stackSize);
};
