// A run cut anywhere in the middle of its I/O, by its time limit, leaves
// nothing behind when the network is deleted: every message, every object a
// message or a module held by address (information units, command-block
// copies, name-server file names, route arrays) is freed by its holder. The
// sanitizer build checks the objects that are not messages.

#include <string>

#include "fcport/SequenceFrames.h"
#include "tests/integration/SanBedTest.h"

namespace {

class FabricTearDown : public SanBedTest {
  protected:
    static Scenario mixedIo()
    {
        return {{{SCSI_READ, 65536}, {SCSI_WRITE, 65536}, {SCSI_READ, 4096}, {SCSI_WRITE, 100000}}, 2e-4, 0, 2};
    }
};

TEST_F(FabricTearDown, ARunCutAnywhereInItsIoLeavesNoMessageBehind)
{
    const long liveBefore = cMessage::liveMessageCount();
    build(mixedIo());
    ASSERT_EQ(run(), "");
    ASSERT_EQ(scsi().completions.size(), 4u);
    const double firstIo = scsi().completions.front().issuedAt;
    const double lastDone = scsi().completions.back().time;
    simulation.deleteNetwork();
    ASSERT_EQ(cMessage::liveMessageCount(), liveBefore);

    // Cut points spread over the I/O phase, from the first command to the
    // last completion, so that frames, sequences and exchanges are caught in
    // every state.
    constexpr int CUTS = 40;
    for (int i = 1; i < CUTS; ++i) {
        const double cut = firstIo + (lastDone - firstIo) * i / CUTS;
        build(mixedIo());
        simulation.setSimTimeLimit(cut);
        ASSERT_EQ(run(), "") << "cut at " << cut;
        EXPECT_EQ(outcome(), RunOutcome::SIM_TIME_LIMIT);
        simulation.deleteNetwork();
        EXPECT_EQ(cMessage::liveMessageCount(), liveBefore) << "cut at " << cut << " s";
    }
}

TEST_F(FabricTearDown, ASequenceCutWhileItIsAssembledGoesWithTheUnitItCarries)
{
    // The command's frame reaches the board a few microseconds after the
    // switch forwards it, and its pair then spends its assembly time holding
    // the sequence for FC-4: cuts half a microsecond apart catch it there.
    const long liveBefore = cMessage::liveMessageCount();
    build(mixedIo());
    ASSERT_EQ(run(), "");
    const auto commands = centre().framesOf(TYPE_SCSI_FCP, RCTL_FCP_CMND);
    ASSERT_FALSE(commands.empty());
    const double forwarded = commands.front()->time;
    simulation.deleteNetwork();

    for (int i = 0; i < 60; ++i) {
        const double cut = forwarded + i * 0.5e-6;
        build(mixedIo());
        simulation.setSimTimeLimit(cut);
        ASSERT_EQ(run(), "") << "cut at " << cut;
        simulation.deleteNetwork();
        EXPECT_EQ(cMessage::liveMessageCount(), liveBefore) << "cut at " << cut << " s";
    }
}

} // namespace
