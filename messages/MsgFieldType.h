#pragma once

#include <cstdint>

// The integer widths of message fields. Fields are declared with the type
// names of the message tables ("unsigned long", "unsigned char", ...); these
// names fix the width the field has in the model, which is not always the
// width the same C++ type has on this machine: an "unsigned long" field is a
// 32-bit value (it holds 32-bit counters and port identifiers), while a
// "long" field stays as wide as an address because ...Ptr fields carry one.
namespace msgfield {

template <class Declared>
struct Stored {
    using type = Declared;
};
template <>
struct Stored<int> {
    using type = std::int32_t;
};
template <>
struct Stored<unsigned long> {
    using type = std::uint32_t;
};
template <>
struct Stored<unsigned short> {
    using type = std::uint16_t;
};
template <>
struct Stored<unsigned char> {
    using type = std::uint8_t;
};

// The C++ type that holds a field declared as `Declared`.
template <class Declared>
using stored_t = typename Stored<Declared>::type;

static_assert(sizeof(long) >= sizeof(void*), "long fields must be able to hold an address");

} // namespace msgfield
