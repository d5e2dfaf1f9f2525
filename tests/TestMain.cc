#include <gtest/gtest.h>

#include "sim/ExecuteOnStartup.h"

int main(int argc, char** argv)
{
    ExecuteOnStartup::executeAll();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
