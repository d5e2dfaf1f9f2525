#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc2Fixture.h"

namespace {

// Two hosts whose node ports (NodePort: FC-1 and FC-2) share a cable, with
// FC-4 played by scripts. The link comes up through the FC-1 protocol; the
// run ends by itself: with ioDone set, simDone follows evEndDelay after the
// start and the statistics stop re-arming.
class EndToEndTest : public Fc2Test {
  protected:
    void SetUp() override
    {
        Fc2Test::SetUp();
        root->par("ioDone").setBoolValue(true);
        root->par("evEndDelay").setDoubleValue(3); // ms
        simulation.setSimTimeLimit(1.0);           // a safety net only
    }
    // Node ports without addresses: they take them from the first frames.
    void unaddressedNodePorts()
    {
        a = device("NodeHost", "HostA", "fc2_host.conf");
        b = device("NodeHost", "HostB", "fc2_host.conf");
        cable(a, 0, b, 0, 1e-6);
    }
    long fc1Counter(cModule* device, const char* module, const char* counter) const
    {
        return port(device)->submodule("Fc1")->submodule(module)->par(counter).longValue();
    }
    // The numbers of the first row of a statistics file.
    static std::vector<std::string> firstRow(const std::string& path)
    {
        std::istringstream file(readFile(path));
        std::string line;
        std::getline(file, line);
        std::getline(file, line);
        std::getline(file, line);
        std::istringstream fields(line);
        std::vector<std::string> out;
        for (std::string f; fields >> f;)
            out.push_back(f);
        return out;
    }
};

TEST_F(EndToEndTest, SequencesCrossTheCableAsFramesAndArriveWhole)
{
    twoHosts(5e-6, "fc2_host.conf", "NodeHost");
    const long lengths[] = {1, 2048, 2049, 4097};
    scripts[fc4(a)] = loggedIn(ADDR_B, [&](Scripted& s) {
        for (int k = 0; k < 4; ++k) {
            Envelope e;
            e.length = lengths[k];
            e.fc4MemAddr = 100 + k;
            e.context = context_object(("iu-" + std::to_string(k)).c_str());
            s.out(e.make());
        }
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    EXPECT_EQ(run(), RunOutcome::EVENTS_EXHAUSTED);

    EXPECT_EQ(ofKind(got(a), PORT_UP).size(), 1u);
    EXPECT_EQ(ofKind(got(b), PORT_UP).size(), 1u);
    EXPECT_EQ(port(b)->par("portMode").longValue(), 1);
    const auto delivered = ofKind(got(b), FC_SEQ_PAYLOAD);
    ASSERT_EQ(delivered.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(delivered[k]->copy->length(), lengths[k]);
        EXPECT_EQ(delivered[k]->contextName, "iu-" + std::to_string(k));
        EXPECT_EQ(static_cast<FcSeqPayload*>(delivered[k]->copy.get())->getFc4MemAddr(), 100u + k);
    }
    EXPECT_EQ(ofKind(got(a), OESB_FREE).size(), 4u);
    // On the line: 1 + 1 + 2 + 3 frame heads and all payload bytes, each way
    // of the cable counted at its end.
    EXPECT_EQ(fc1Counter(a, "Tx", "txFrmDelta"), 7);
    EXPECT_EQ(fc1Counter(a, "Tx", "txPayDelta"), 1 + 2048 + 2049 + 4097);
    EXPECT_EQ(fc1Counter(b, "Rx", "rxFrmDelta"), 7);
    EXPECT_EQ(fc1Counter(b, "Rx", "rxPayDelta"), 1 + 2048 + 2049 + 4097);
    // Every frame's credit came back.
    EXPECT_EQ(port(a)->par("currBbCnt").longValue(), 0);
    EXPECT_FALSE(std::filesystem::exists("logs/Warnings.log")) << readFile("logs/Warnings.log");

    // The statistics of the receiving side: four exchanges and seven frames
    // in the first period; the run stopped them after the third.
    const auto row = firstRow("out/ee/From_65792_To_66048.EeStat");
    ASSERT_GE(row.size(), 8u);
    EXPECT_EQ(row[0], "1.0000");
    EXPECT_EQ(row[1], "4");
    EXPECT_EQ(row[2], "4");
    EXPECT_EQ(row[3], "7");
    EXPECT_EQ(row[5], opp_format("%.3f", 8195.0 / 7 / 1024));
    const std::string text = readFile("out/ee/From_65792_To_66048.EeStat");
    EXPECT_NE(text.find("\n3.0000 "), std::string::npos);
    EXPECT_EQ(text.find("\n4.0000 "), std::string::npos);
    EXPECT_TRUE(root->par("simDone").boolValue());
}

class EndToEndCreditTest : public EndToEndTest, public ::testing::WithParamInterface<long> {};

// Five full frames on a cable of 10 us each way: with one credit each frame
// waits for the R_RDY of the one before, with four they follow each other.
TEST_P(EndToEndCreditTest, CreditLimitsTheFramesInFlight)
{
    const long credit = GetParam();
    twoHosts(1e-5, "fc2_host.conf", "NodeHost");
    double sentAt = -1;
    scripts[fc4(a)] = loggedIn(ADDR_B, [&, credit](Scripted& s) {
        port(a)->par("currBbCredit").setLongValue(credit); // as the fabric login would
        Envelope e;
        e.length = 5 * 2048;
        sentAt = s.simTime();
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();
    const auto delivered = ofKind(got(b), FC_SEQ_PAYLOAD);
    ASSERT_EQ(delivered.size(), 1u);
    const double took = delivered[0]->time - sentAt;
    const double lineTime = (36 + 2048 + 16) * 10 / 1.0625e9;
    const double bound = 5 * lineTime + 4 * 2 * 1e-5;
    if (credit == 1)
        EXPECT_GT(took, bound);
    else
        EXPECT_LT(took, bound);
    EXPECT_EQ(port(a)->par("currBbCnt").longValue(), 0);
}

INSTANTIATE_TEST_SUITE_P(Credits, EndToEndCreditTest, ::testing::Values(1L, 4L));

TEST_F(EndToEndTest, PortsTakeTheirAddressesFromTheFirstFramesAndTheMapNamesBothEnds)
{
    unaddressedNodePorts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A, [](Scripted& s) {
        s.await(FC_SEQ_PAYLOAD);
        Envelope answer;
        answer.sId = ADDR_B;
        answer.dId = ADDR_A;
        answer.fc4MemAddr = 5;
        s.out(answer.make());
    });
    run();

    EXPECT_EQ(port(b)->par("addressId").longValue(), static_cast<long>(ADDR_B));
    EXPECT_EQ(port(a)->par("addressId").longValue(), static_cast<long>(ADDR_A));
    const std::string map = readFile("NxPortMap.txt");
    const std::string rows = map.substr(map.find(std::string(135, '-')) + 136);
    EXPECT_EQ(rows, col("1", 7) + col("Initiator", 13) + col("66048", 15) + col("Velmora.HostB.NxPort[0]", 55) +
                        col("Velmora.HostA.NxPort[0]", 45) + "\n" + col("2", 7) + col("Initiator", 13) +
                        col("65792", 15) + col("Velmora.HostA.NxPort[0]", 55) + col("Velmora.HostB.NxPort[0]", 45) +
                        "\n");
    EXPECT_EQ(ofKind(got(a), FC_SEQ_PAYLOAD).size(), 1u);
}

TEST_F(EndToEndTest, AReportedLinkResetBringsThePortUpAgainAndFramesFlowAfterwards)
{
    twoHosts(1e-6, "fc2_host.conf", "NodeHost");
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        s.out(new cMessage("REQ_LINK_RESET", REQ_LINK_RESET, 0));
        s.await(PORT_UP);
        s.out(req_eepair(ADDR_B));
        s.await(PLOGI_SUCC);
        Envelope e;
        e.length = 4096;
        s.out(e.make());
    };
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();
    EXPECT_EQ(ofKind(got(a), PORT_UP).size(), 2u);
    EXPECT_EQ(ofKind(got(b), FC_SEQ_PAYLOAD).size(), 1u);
    EXPECT_EQ(ofKind(got(a), OESB_FREE).size(), 1u);
}

} // namespace
