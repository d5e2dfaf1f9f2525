// LUN discovery over the paths of a host: REPORT LUNS, MODE SENSE and
// INQUIRY over the real port stack, the choice of each LUN's active path
// and its record in the path files.

#include "messages/MsgKinds.h"
#include "tests/host/ScsiBed.h"

namespace {

class ScsiDiscovery : public ScsiBedTest {};

TEST_F(ScsiDiscovery, TwoPathsFromOnePortFindBothLunsAndTheLowerSlotServesThem)
{
    ScsiBedSetup setup;
    setup.boards = 2;
    setup.maskRows = {"LUN_A 0 - -", "LUN_B 0 - -"};
    build(setup);
    ASSERT_EQ(run(), "");

    EXPECT_EQ(scsi().openPathNum(), 2);
    for (const auto& r : iogen().ready)
        std::cout << r.time << " " << r.lunWwn << " " << r.lunBlkSize << " " << r.lunBlkNum << "\n";
    std::cout << readFile(actvPathFile()) << readFile(pathTblFile()) << readFile(warningsFile());
}

} // namespace
