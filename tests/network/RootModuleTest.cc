#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "network/RootModule.h"
#include "tests/shared/TestModules.h"

namespace {

class RootHelpers : public KernelTest {
  protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        root->addPar("rootFlag") = false; // only its presence counts
        root->addPar("progDataDir") = "progData/";
        root->addPar("lunListFileId") = 10000L;
        root->addPar("frmGid") = 0L;
        root->addPar("warnFileNew") = true;
    }
};

TEST_F(RootHelpers, FindsTheFirstModuleAboveThatHasRootFlag)
{
    auto* site = new cCompoundModule("DataCtr1", root);
    auto* dev = new cCompoundModule("Dev1", site);
    auto* chip = new cCompoundModule("Chip", dev);
    cModule* leaf = addModule("Cpu", nullptr, chip);
    EXPECT_EQ(find_root(leaf), root);
    EXPECT_EQ(find_root(site), root);
    // The walk starts at the parent and stops at the nearest flag.
    dev->addPar("rootFlag") = true;
    EXPECT_EQ(find_root(leaf), dev);
    EXPECT_EQ(find_root(dev), root);
    EXPECT_THROW(find_root(root), cRuntimeError);
}

TEST_F(RootHelpers, TakingANumberHandsOutEachValueOnceFromTheFirst)
{
    EXPECT_EQ(take_a_number(root, "frmGid"), 0);
    EXPECT_EQ(take_a_number(root, "frmGid"), 1);
    EXPECT_EQ(root->par("frmGid").longValue(), 2);
    EXPECT_EQ(take_temp_file_name(root, "lunListFileId", "LunList"), "progData/LunList10000.tmp");
    EXPECT_EQ(take_temp_file_name(root, "lunListFileId", "LunList"), "progData/LunList10001.tmp");
}

} // namespace
