#pragma once

#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

// WATCH(variable), inside a module's member function, lets an environment
// show a plain member variable of the module by name. Registering costs one
// small record per variable at set-up and nothing afterwards; the text is
// made only when something asks for it.
#define WATCH(variable) addWatch(#variable, watch_text(variable))

template <class T, class = void>
struct IsStreamable : std::false_type {
};
template <class T>
struct IsStreamable<T, std::void_t<decltype(std::declval<std::ostream&>() << std::declval<const T&>())>>
    : std::true_type {
};

// A variable without a text form (a table, say) is listed by name alone.
template <class T>
auto watch_text(const T& value)
{
    return [&value]() {
        std::ostringstream out;
        if constexpr (std::is_same_v<T, bool>)
            out << (value ? "true" : "false");
        else if constexpr (std::is_enum_v<T>)
            out << static_cast<long long>(value);
        else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, unsigned char> ||
                           std::is_same_v<T, signed char>)
            out << static_cast<int>(value);
        else if constexpr (IsStreamable<T>::value)
            out << value;
        else {
            static_cast<void>(value);
            out << "(no text form)";
        }
        return out.str();
    };
}
