#pragma once

// The low-memory test run between the steps of the set-up and the build. A
// reserve block is held from the first test on; when an allocation fails, the
// new-handler gives the reserve back so that the allocation succeeds, and the
// next test ends the build with error code eNOMEM instead of the program
// failing somewhere deep inside a constructor.
void check_memory();

// True once the reserve has been given back.
bool memory_is_low();

// Gives the reserve back as an allocation failure would (tests use it to
// reach the low-memory error), and takes a new reserve.
void release_memory_reserve();
void restore_memory_reserve();

// The text of the low-memory error.
extern const char* const lowMemoryMessage;
