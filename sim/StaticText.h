#pragma once

#include <cstdint>

// The program's read-only constants, string literals among them. Text there
// never changes and lives as long as the program, so an object may keep a
// pointer to it instead of a copy, and two such pointers that are equal name
// equal texts. Text anywhere else (the heap, the stack, writable static
// storage, a shared library) is not static, nor is any text before the
// program's static initialisation has found where its constants lie.
class StaticText {
  public:
    static bool contains(const char* text) { return reinterpret_cast<std::uintptr_t>(text) - begin_ < size_; }

  private:
    static std::uintptr_t begin_;
    static std::uintptr_t size_;
};
