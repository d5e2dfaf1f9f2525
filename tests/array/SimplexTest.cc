#include <cmath>

#include "array/Simplex.h"
#include "tests/array/DataPathMessages.h"
#include "tests/shared/ArrayFixture.h"

namespace {

// 64-bit buses at 100 MHz move 781250 KB/s.
constexpr double RATE = 781250;

class SimplexTest : public ArrayTest {
  protected:
    // A bus `Bus` on a board of Dev1, with a board end `Cpu` and a
    // cache-switch end `Csw`.
    cModule* buildBus(std::vector<Outgoing> fromCpu, std::vector<Outgoing> fromCsw)
    {
        cModule* board = compound("Chip", device, 0, 1);
        cModule* bus = findModuleType("Simplex")->create("Bus", board);
        wire(bus, "to_cpu", "from_cpu", -1, end("Cpu", board, std::move(fromCpu)));
        wire(bus, "to_csw", "from_csw", -1, end("Csw", board, std::move(fromCsw)));
        return bus;
    }
    static Outgoing at(double t, std::function<cMessage*()> make) { return {t, std::move(make)}; }
    static cMessage* free_arbi() { return new cMessage("FREE_ARBI", FREE_ARBI, 0); }
};

TEST_F(SimplexTest, ArbitrationAnswersThePendingDataOneGrantAtATimeWhileDataMovesOnItsOwn)
{
    cModule* bus =
        buildBus({at(0, arbitration_request), at(1e-6, [] { return data_in(8192); }), at(2e-6, free_arbi),
                  at(7e-6, arbitration_request)},
                 {at(6e-6, arbitration_request), at(9e-6, free_arbi), at(2e-5, [] { return data_in(1024, 0, true); })});
    std::vector<std::pair<double, long>> moved;
    new LambdaModule("Probe", root, [&](LambdaModule& m) {
        for (double t : {1.1e-5, 1.2e-5}) {
            m.wait(t - m.simTime());
            moved.emplace_back(t, bus->par("totalDataDelta").longValue());
        }
    });
    runAll();

    auto cpu = ArrayTest::at("Cpu");
    auto csw = ArrayTest::at("Csw");
    ASSERT_EQ(cpu.size(), 3u);
    ASSERT_EQ(csw.size(), 2u);
    // An idle bus answers 0 after the arbitration delay.
    EXPECT_EQ(cpu[0]->name, "ACK_ARBI");
    EXPECT_DOUBLE_EQ(cpu[0]->time, 1e-7);
    EXPECT_EQ(cpu[0]->msg->par("realDataPendKB").doubleValue(), 0.0);
    // Data not yet switched reaches the cache-switch side as its transfer starts.
    EXPECT_EQ(csw[0]->name, "SEND_DATA_IN");
    EXPECT_DOUBLE_EQ(csw[0]->time, 1e-6);
    // 5 us into moving 8 KB, 8 - 5e-6 x 781250 KB are left.
    EXPECT_EQ(csw[1]->name, "ACK_ARBI");
    EXPECT_DOUBLE_EQ(csw[1]->time, 6e-6 + 1e-7);
    EXPECT_NEAR(csw[1]->msg->par("realDataPendKB").doubleValue(), 4.09375, 1e-9);
    // The board's second request waits for the switch side's release.
    EXPECT_EQ(cpu[1]->name, "ACK_ARBI");
    EXPECT_DOUBLE_EQ(cpu[1]->time, 9e-6 + 1e-7);
    EXPECT_NEAR(cpu[1]->msg->par("realDataPendKB").doubleValue(), 8 - 8e-6 * RATE, 1e-9);
    // Switched data leaves towards the board.
    EXPECT_EQ(cpu[2]->name, "SEND_DATA_IN");
    EXPECT_DOUBLE_EQ(cpu[2]->time, 2e-5);
    // Bytes count once their transfer time (1.024e-5 s) has passed.
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].second, 0);
    EXPECT_EQ(moved[1].second, 8192);
    EXPECT_NE(console.str().find("Velmora.Dev1.Chip[0].Bus --> REQ_ARBI\n"), std::string::npos);
}

TEST_F(SimplexTest, QueuedDataLeavesBackToBackEachAfterThePreviousTransferTime)
{
    buildBus({at(0, [] { return data_out(4096); }), at(0, [] { return data_out(2048); })}, {});
    runAll();
    auto csw = ArrayTest::at("Csw");
    ASSERT_EQ(csw.size(), 2u);
    EXPECT_EQ(csw[0]->msg->length(), 4096);
    EXPECT_DOUBLE_EQ(csw[0]->time, 0);
    EXPECT_EQ(csw[1]->msg->length(), 2048);
    EXPECT_DOUBLE_EQ(csw[1]->time, 4.0 / RATE);
}

TEST_F(SimplexTest, PendingDataARoundingBelowZeroIsNothingLeftAndARealNegativeAFault)
{
    const double exact = (3000 / 1024.0) / RATE;
    const double justAfter = std::nextafter(exact, 1.0);
    ASSERT_LT(3000 / 1024.0 - justAfter * RATE, 0.0);
    EXPECT_EQ(Simplex::pending_kb(3000, justAfter, RATE), 0.0);
    EXPECT_EQ(Simplex::pending_kb(3000, 0, RATE), 3000 / 1024.0);
    EXPECT_EQ(Simplex::pending_kb(0, 1.0, RATE), 0.0);
    EXPECT_LT(Simplex::pending_kb(3000, exact * 1.001, RATE), 0.0);
    // The tolerance grows with the amount pending.
    const double big = (4e9 / 1024.0) / RATE;
    EXPECT_EQ(Simplex::pending_kb(4000000000u, std::nextafter(big, 1e9), RATE), 0.0);
}

TEST_F(SimplexTest, ARequestAtTheComputedEndOfATransferIsAnsweredWithNothingPending)
{
    // A length whose transfer time, multiplied back by the rate, overshoots.
    long length = 0;
    for (long l = 1000; l < 100000 && !length; ++l)
        if (l / 1024.0 - ((l / 1024.0) / RATE) * RATE < 0)
            length = l;
    ASSERT_NE(length, 0);
    const double finish = (length / 1024.0) / RATE;

    cModule* board = compound("Chip", device, 0, 1);
    cModule* bus = findModuleType("Simplex")->create("Bus", board);
    wire(bus, "to_cpu", "from_cpu", -1, end("Cpu", board, {at(0, [length] { return data_in(length); })}));
    // The request is on its way before the transfer starts, so at the end
    // time it comes before the bus frees itself.
    LambdaModule* csw = end("Csw", board, {at(0, arbitration_request)});
    bus->gate("to_csw")->connectTo(csw->gate("in"));
    auto* line = new cChannel("line");
    line->setDelay(finish);
    csw->gate("out")->connectTo(bus->gate("from_csw"), line);
    runAll();

    auto acks = ArrayTest::at("Csw");
    ASSERT_EQ(acks.size(), 2u);
    EXPECT_EQ(acks[1]->name, "ACK_ARBI");
    EXPECT_DOUBLE_EQ(acks[1]->time, finish + 1e-7);
    EXPECT_EQ(acks[1]->msg->par("realDataPendKB").doubleValue(), 0.0);
}

TEST_F(SimplexTest, GrantsAndReleasesOutOfTurnStopTheRun)
{
    buildBus({at(0, free_arbi)}, {});
    EXPECT_EQ(runError(), "---> free_bus_arbi : arbiOn false");
}

TEST_F(SimplexTest, AKindThatIsNotDataOrArbitrationStopsTheRun)
{
    buildBus({at(0, [] { return new cMessage("SCSI_CMD_RECVD", SCSI_CMD_RECVD); })}, {});
    EXPECT_EQ(runError(), "---> No idea know how to handle message: SCSI_CMD_RECVD");
}

} // namespace
