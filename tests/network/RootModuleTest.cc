#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "network/RootModule.h"
#include "network/TempFileRecycling.h"
#include "tests/shared/ScratchDirectory.h"
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

std::string contents(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ino_t inode_of(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A temporary file that was read and removed lends its inode to the next one;
// no name of either is left, and the clean-up takes the spares with it.
TEST_F(RootHelpers, RemovedTemporaryFilesAreGoneAndTheirSparesServeTheNext)
{
    ScratchDirectory dir;
    ASSERT_NO_FATAL_FAILURE(dir.enter("/tmp/velmora_spares_XXXXXX"));
    std::filesystem::create_directory("progData");
    root->addPar("tmpFilesDeleted") = false;

    const std::string first = take_temp_file_name(root, "lunListFileId", "LunList");
    std::ofstream(first) << "10\n11\n12\n";
    const ino_t inode = inode_of(first);
    remove_temp_file(root, first);
    EXPECT_FALSE(std::filesystem::exists(first));

    const std::string second = take_temp_file_name(root, "lunListFileId", "LunList");
    EXPECT_EQ(second, "progData/LunList10001.tmp");
    EXPECT_EQ(inode_of(second), inode);
    std::ofstream(second, std::ios::out | std::ios::trunc) << "7";
    EXPECT_EQ(contents(second), "7");
    remove_temp_file(root, second);

    // A spare removed behind the run's back is skipped; the writer makes a new file.
    for (const auto& entry : std::filesystem::directory_iterator("progData"))
        std::filesystem::remove(entry.path());
    const std::string third = take_temp_file_name(root, "lunListFileId", "LunList");
    EXPECT_FALSE(std::filesystem::exists(third));
    std::ofstream(third) << "8";
    remove_temp_file(root, third);
    std::ofstream("progData/Keep.txt") << "kept";

    remove_temporary_files(root);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator("progData"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"Keep.txt"});
    // The spares went with the clean-up, so none is taken over afterwards.
    EXPECT_FALSE(std::filesystem::exists(take_temp_file_name(root, "lunListFileId", "LunList")));
}

// With the working folder as `progDataDir`, the clean-up takes the run's own
// temporary files, a dead run's among them, and leaves the user's "*.tmp".
TEST_F(RootHelpers, TheCleanUpTakesOnlyTheRunsOwnTemporaryFiles)
{
    ScratchDirectory dir;
    ASSERT_NO_FATAL_FAILURE(dir.enter("/tmp/velmora_own_tmp_XXXXXX"));
    root->par("progDataDir") = "./";
    root->addPar("tmpFilesDeleted") = false;
    const std::string list = take_temp_file_name(root, "lunListFileId", "LunList");
    EXPECT_EQ(list, "./LunList10000.tmp");
    for (const std::string& name :
         {list, std::string("PfOut.tmp"), std::string("Spare4.tmp"), std::string("GidFt50012.tmp"),
          std::string("notes.tmp"), std::string("Lsu.tmp"), std::string("Spare4b.tmp"), std::string("run.log")})
        std::ofstream(name) << "x";

    remove_temporary_files(root);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Lsu.tmp", "Spare4b.tmp", "notes.tmp", "run.log"}));
}

} // namespace
