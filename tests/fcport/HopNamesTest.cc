#include <gtest/gtest.h>

#include <cstring>

#include "fcport/HopNames.h"

// The names a switch writes and a port reads must be the same text and, for
// a given hop, the same pointer each time, also past the names made ahead.
TEST(HopNames, SpellsEveryHopAndKeepsItsName)
{
    EXPECT_STREQ(hop_param_name(0), "hop-0");
    EXPECT_STREQ(hop_param_name(7), "hop-7");
    EXPECT_STREQ(hop_param_name(10), "hop-10");
    EXPECT_STREQ(hop_param_name(238), "hop-238");
    EXPECT_STREQ(hop_param_name(999), "hop-999");
    EXPECT_STREQ(hop_param_name(1000), "hop-1000");
    EXPECT_STREQ(hop_param_name(1234), "hop-1234");
    EXPECT_EQ(hop_param_name(1000), hop_param_name(1000));
    const char* far = hop_param_name(1001);
    hop_param_name(5000); // grows the names past the table
    EXPECT_EQ(hop_param_name(1001), far);
    EXPECT_STREQ(far, "hop-1001");
}
