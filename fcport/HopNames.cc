#include "fcport/HopNames.h"

#include <deque>
#include <string>

namespace {

// Routes cross at most 239 switches (one per Domain_ID); the table has room
// for every name up to "hop-999".
constexpr int TABLE_SIZE = 1000;
constexpr int NAME_SIZE = 8;

struct HopNameTable {
    char names[TABLE_SIZE][NAME_SIZE];
};

constexpr HopNameTable make_table()
{
    HopNameTable table{};
    for (int n = 0; n < TABLE_SIZE; ++n) {
        char* name = table.names[n];
        name[0] = 'h';
        name[1] = 'o';
        name[2] = 'p';
        name[3] = '-';
        int digits = 1;
        for (int rest = n / 10; rest > 0; rest /= 10)
            ++digits;
        for (int i = digits - 1, rest = n; i >= 0; --i, rest /= 10)
            name[4 + i] = static_cast<char>('0' + rest % 10);
    }
    return table;
}

// Made at compile time, so the names lie among the program's constants: a
// parameter keeps such a name as the pointer, and a look-up by the same
// pointer ends at the address comparison.
constexpr HopNameTable HOP_NAMES = make_table();

// Names past the table, made when first asked for; out of line, so that the
// look-up in the table stays small enough to be inlined.
[[gnu::noinline]] const char* name_beyond_table(int n)
{
    // A deque keeps the names in place as it grows.
    static std::deque<std::string> beyond;
    while (static_cast<int>(beyond.size()) <= n - TABLE_SIZE)
        beyond.push_back("hop-" + std::to_string(TABLE_SIZE + beyond.size()));
    return beyond[static_cast<size_t>(n - TABLE_SIZE)].c_str();
}

} // namespace

const char* hop_param_name(int n)
{
    return n < TABLE_SIZE ? HOP_NAMES.names[n] : name_beyond_table(n);
}
