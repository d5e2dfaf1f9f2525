#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc2Fixture.h"

namespace {

class Fc2ControllerTest : public Fc2Test {
  protected:
    // One host port row with these buffers and peers.
    static void writeHostConf(const char* name, int txBuf, int maxPeer)
    {
        writeFile(name, "[2]\nheader\n0 1 100 I 4 " + std::to_string(txBuf) + " 8 2 " + std::to_string(maxPeer) +
                            " FcCtrlB\n[2.1]\n");
    }
    static cMessage* req_plout(unsigned long peer)
    {
        auto* msg = new cMessage("REQ_PLOUT", REQ_PLOUT, 0);
        msg->addPar("peerAddrId").setLongValue(static_cast<long>(peer));
        return msg;
    }
};

TEST_F(Fc2ControllerTest, ThePairPoolIsCreatedAtInitialisationAndSizedByTheRoleOfThePort)
{
    root->par("defConCurrSeq").setLongValue(4);
    a = host("HostA");
    cModule* sw = switchDevice("Switch");
    simulation.setSimTimeLimit(1e-6);
    run();

    // An N_Port with maxEePair 2: pair 0 serves the link services of all peers.
    cModule* nx = port(a);
    EXPECT_EQ(nx->par("maxEePair").longValue(), 2);
    EXPECT_EQ(nx->submodule("Fc2")->submodule("EePair", 3), nullptr);
    EXPECT_EQ(pair(nx, 0)->oesbSize(), 12);
    EXPECT_EQ(pair(nx, 0)->resbSize(), 12);
    EXPECT_EQ(pair(nx, 0)->par("maxConCurrSeq").longValue(), 12);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(pair(nx, i)->oesbSize(), 0);
        EXPECT_FALSE(pair(nx, i)->oesbAllocFlag());
        EXPECT_EQ(pair(nx, i)->par("maxConCurrSeq").longValue(), 0);
        EXPECT_EQ(pair(nx, i)->par("peerAddrId").longValue(), 0);
        EXPECT_EQ(pair(nx, i)->index(), i);
        EXPECT_EQ(pair(nx, i)->size(), 3);
        EXPECT_STREQ(pair(nx, i)->displayString(), "i=eepair;p=60,70,row,75;b=50,50");
    }
    EXPECT_TRUE(ctrl(nx)->gate("to_eepair", 2)->isRouteOK());
    EXPECT_EQ(ctrl(nx)->gate("to_eepair", 2)->destinationGate()->ownerModule(), pair(nx, 2));
    EXPECT_EQ(pair(nx, 1)->gate("to_fc2ctrl")->destinationGate(), ctrl(nx)->gate("from_eepair", 1));
    EXPECT_EQ(nx->par("txQueLen").longValue(), 0);
    EXPECT_DOUBLE_EQ(ctrl(nx)->par("asicUtilDelta").doubleValue(), 0.0);
    EXPECT_FALSE(ctrl(nx)->par("portUp").boolValue());
    EXPECT_EQ(nx->submodule("Fc2")->par("currOxId").longValue(), 0);

    // A switch port has the link-service pair alone, of defConCurrSeq blocks.
    cModule* sp = sw->submodule("SwPort", 1);
    EXPECT_EQ(sp->par("maxEePair").longValue(), 0);
    EXPECT_EQ(pair(sp, 0)->oesbSize(), 4);
    EXPECT_EQ(pair(sp, 0)->resbSize(), 4);
    EXPECT_EQ(sp->par("reqRaTov").longValue(), 10000);
    EXPECT_EQ(sp->par("reqEdTov").longValue(), 2000);
    // Only node ports count as N_Ports of the run.
    EXPECT_EQ(root->par("realNxPortNum").longValue(), 1);
}

class DefConCurrSeqTest : public Fc2ControllerTest, public ::testing::WithParamInterface<long> {};

TEST_P(DefConCurrSeqTest, OutsideOneTo255EndsTheRunAtInitialisation)
{
    root->par("defConCurrSeq").setLongValue(GetParam());
    host("HostA");
    simulation.setSimTimeLimit(1e-6);
    const bool bad = GetParam() == 0 || GetParam() == 256;
    EXPECT_EQ(runError(),
              bad ? "---> defConCurrSeq must be within [1,255]. Please check the file \"omnetpp.ini\"" : "");
}

INSTANTIATE_TEST_SUITE_P(Limits, DefConCurrSeqTest, ::testing::Values(0L, 1L, 255L, 256L));

TEST_F(Fc2ControllerTest, PairsAreGivenToPeersLowestFirstAndTakenBack)
{
    a = host("HostA");
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        s.out(req_eepair(0x010200, 6, 300));
        s.await(PLOGI_SUCC);
        s.out(req_eepair(0x010300, 2, 100));
        s.await(PLOGI_SUCC);
        s.out(req_plout(0x010200));
        s.await(PLOUT_SUCC);
        s.out(req_plout(0x010999)); // no pair: nothing happens
        // A peer that asks again while still logged in: its old pair is
        // removed first, as a logout would remove it, and it moves to the
        // lowest free pair.
        s.out(req_eepair(0x010300, 3, 100));
        s.await(PLOGI_SUCC);
    };
    run();

    const auto succ = ofKind(got(a), PLOGI_SUCC);
    ASSERT_EQ(succ.size(), 3u);
    const long want[][4] = {{6, 1, 0, 300}, {2, 2, 0, 100}, {3, 1, 0, 100}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(succ[k]->copy->par("maxConCurrIu").longValue(), want[k][0]);
        EXPECT_EQ(succ[k]->copy->par("eeIndex").longValue(), want[k][1]);
        EXPECT_EQ(succ[k]->copy->par("portIndex").longValue(), want[k][2]);
        EXPECT_EQ(succ[k]->copy->par("newRecTov").longValue(), want[k][3]);
    }
    const auto out = ofKind(got(a), PLOUT_SUCC);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0]->copy->par("eeIndex").longValue(), 1);
    EXPECT_EQ(out[1]->copy->par("eeIndex").longValue(), 2);
    EXPECT_LT(out[1], succ[2]); // arrived before it, in the same log
    EXPECT_NE(console.str().find("WARNING: Couldn't remove an EePair for requested peerAddrId - 67993 !"),
              std::string::npos);

    const EePairTable& table = ctrl(port(a))->eePairTable();
    EXPECT_EQ(table.entry(1).peerAddrId, 0x010300u);
    EXPECT_EQ(table.entry(1).conCurrSeq, 3);
    EXPECT_FALSE(table.entry(2).inUse);
    EXPECT_EQ(pair(port(a), 1)->par("peerAddrId").longValue(), 0x010300);
    EXPECT_EQ(pair(port(a), 1)->oesbSize(), 3);
    // The engine of the old login was emptied like one logged out.
    EXPECT_EQ(pair(port(a), 2)->par("peerAddrId").longValue(), 0);
}

TEST_F(Fc2ControllerTest, APeerBeyondThePoolEndsTheRun)
{
    writeHostConf("one_peer.conf", 2, 1);
    a = device("StandInHost", "HostA", "one_peer.conf");
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        s.out(req_eepair(0x010200));
        s.out(req_eepair(0x010300));
    };
    EXPECT_EQ(runError(), "---> alloc_eepair : couldn't allocate an EePair. Please enlarge maxEePair parameter");
}

class CreditTest : public Fc2ControllerTest, public ::testing::WithParamInterface<long> {};

TEST_P(CreditTest, CreditLimitsTheFramesInFlight)
{
    const long credit = GetParam();
    twoHosts(1e-5);
    scripts[fc4(a)] = loggedIn(ADDR_B, [credit, this](Scripted& s) {
        port(a)->par("currBbCredit").setLongValue(credit); // as a login would
        Envelope e;
        e.length = 5 * 2048;
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();
    const Fc1Record& tx = fc1(port(a));
    ASSERT_EQ(tx.heads().size(), 5u);
    EXPECT_EQ(tx.maxFramesInFlight, credit);
    EXPECT_EQ(port(a)->par("currBbCnt").longValue(), 0);
    // With one credit each frame waits for the R_RDY of the one before, a
    // round trip of the cable and more; with three the next one follows at once.
    const double gap = tx.frameTxOkTimes[1] - tx.frameTxOkTimes[0];
    if (credit == 1)
        EXPECT_GT(gap, 2e-5);
    else
        EXPECT_LT(gap, 2e-5);
    EXPECT_EQ(ofKind(got(b), FC_SEQ_PAYLOAD).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Credits, CreditTest, ::testing::Values(1L, 3L));

class TxBufTest : public Fc2ControllerTest, public ::testing::WithParamInterface<int> {};

// With one credit and a long cable the first frame is on the line and the
// others wait: a frame is moved into TX_QUE while it holds no more whole
// frames than txBufSize, so of four waiting frames txBufSize 0 lets one in
// (3 messages) and txBufSize 2 three (9).
TEST_P(TxBufTest, TheTransmitBufferSizeBoundsTheFramesMovedAhead)
{
    const int txBuf = GetParam();
    writeHostConf("tx.conf", txBuf, 2);
    twoHosts(1e-4, "tx.conf");
    long seen = -1;
    scripts[fc4(a)] = loggedIn(ADDR_B, [&seen, this](Scripted& s) {
        Envelope e;
        e.length = 5 * 2048;
        s.out(e.make());
        s.wait(1e-5);
        seen = port(a)->par("txQueLen").longValue();
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();
    EXPECT_EQ(seen, txBuf == 0 ? 3 : 9);
    EXPECT_EQ(port(a)->par("txQueLen").longValue(), 0);
    EXPECT_EQ(fc1(port(a)).heads().size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TxBufTest, ::testing::Values(0, 2));

TEST_F(Fc2ControllerTest, LinkDownResetsThePortAndEveryPairAndLinkUpReportsThePortAgain)
{
    twoHosts();
    fc1Scripts[port(a)->fullPath()].linkDownAt = 1e-4;
    fc1Scripts[port(a)->fullPath()].linkUpAgainAt = 3e-4;
    scripts[fc4(a)] = loggedIn(ADDR_B, [this](Scripted& s) {
        cModule* nx = port(a);
        nx->par("currBbCredit").setLongValue(5);
        s.await(PORT_DOWN);
        EXPECT_EQ(nx->par("addressId").longValue(), 0);
        EXPECT_EQ(nx->par("currBbCredit").longValue(), 1);
        EXPECT_EQ(nx->par("currBbCnt").longValue(), 0);
        EXPECT_EQ(nx->par("currRaTov").longValue(), 10000);
        EXPECT_DOUBLE_EQ(nx->par("currPortSpeed").doubleValue(), 1.0625e9);
        EXPECT_FALSE(ctrl(nx)->portIsUp());
        // What FC-4 hands down meanwhile is turned away.
        Envelope e;
        e.context = context_object("too early");
        s.out(e.make());
        s.out(req_eepair(ADDR_B));
        s.await(PORT_UP);
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();

    EXPECT_EQ(ofKind(got(a), PORT_UP).size(), 2u);
    EXPECT_EQ(ofKind(got(a), PORT_DOWN).size(), 1u);
    EXPECT_TRUE(ctrl(port(a))->portIsUp());
    // Pairs were reset: the peer's pair is free again, pair 0 is whole.
    EXPECT_EQ(pair(port(a), 1)->par("peerAddrId").longValue(), 0);
    EXPECT_EQ(pair(port(a), 1)->oesbSize(), 0);
    EXPECT_EQ(pair(port(a), 0)->oesbSize(), 48);
    EXPECT_FALSE(ctrl(port(a))->eePairTable().entry(1).inUse);
    EXPECT_TRUE(warned("WARNING: PORT_DOWN ignores any FC_SEQ_PAYLOAD to be sent out!"));
    EXPECT_TRUE(warned("WARNING: PORT_DOWN ignores any REQ_EEPAIR request!"));
    EXPECT_EQ(deletedContexts, (std::vector<std::string>{"too early"}));
    EXPECT_NE(console.str().find("Velmora.HostA.NxPort[0].Fc2.Fc2Ctrl --> LINK_DOWN"), std::string::npos);
    EXPECT_NE(console.str().find("Velmora.HostA.NxPort[0].Fc2.EePair[1] --> INIT_EEPAIR"), std::string::npos);
}

TEST_F(Fc2ControllerTest, ASecondLinkDownBeforeLinkUpEndsTheRun)
{
    twoHosts();
    fc1Scripts[port(a)->fullPath()].linkDownAt = 1e-5;
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_DOWN);
        s.out(new cMessage("LINK_DOWN", LINK_DOWN, 0));
    };
    EXPECT_EQ(runError(), "ERROR: Already in LINK_DOWN mode!");
}

TEST_F(Fc2ControllerTest, AReportForFc4WhileThePortIsDownEndsTheRun)
{
    const auto reportWhileDown = [this](const char* name, int kind) {
        twoHosts();
        fc1Scripts[port(a)->fullPath()].linkDownAt = 1e-5;
        scripts[fc4(a)] = [name, kind](Scripted& s) {
            s.await(PORT_DOWN);
            s.out(new cMessage(name, kind, 0));
        };
        return runError();
    };
    EXPECT_EQ(reportWhileDown("PLOGI_SUCC", PLOGI_SUCC),
              "ERROR: No way Fc2Ctrl can receive PLOGI_SUCC in PORT_DOWN mode!");
    TearDown();
    SetUp();
    EXPECT_EQ(reportWhileDown("OESB_FREE", OESB_FREE), "ERROR: can not receive OESB_FREE in PORT_DOWN!");
}

TEST_F(Fc2ControllerTest, AnOutdatedResetOrAKindTheControllerDoesNotServeEndsTheRun)
{
    a = host("HostA");
    scripts[fc4(a)] = [](Scripted& s) { s.out(new cMessage("RESET_ALL", RESET_ALL, 0)); };
    EXPECT_EQ(runError(), "ERROR: Already outdated RESET_ALL");
    TearDown();
    SetUp();
    a = host("HostA");
    scripts[fc4(a)] = [](Scripted& s) { s.out(new cMessage("SCSI_RDWR_IO", SCSI_RDWR_IO, 0)); };
    EXPECT_EQ(runError(), "ERROR: No idea know how to handle message: SCSI_RDWR_IO !");
}

TEST_F(Fc2ControllerTest, ANodePortTakesTheAddressOfItsFirstFrameAfterLoginAndWritesOneMapRow)
{
    setIni("");
    a = host("HostA");
    cModule* array = device("StandInArray", "Array", "fc2_array.conf");
    cModule* target = array->submodule("Chip", 0)->submodule("NxPort", 0);
    cable(a, 0, array, 0, 1e-6);
    fc1Scripts[port(a)->fullPath()].linkDownAt = 3e-4;
    fc1Scripts[port(a)->fullPath()].linkUpAgainAt = 4e-4;
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        Envelope e;
        e.type = 1;
        e.dId = 0xFFFFFE; // the login server's address is never taken
        s.out(e.make());
        s.wait(1e-4);
        e.dId = ADDR_B;
        e.fc4MemAddr = 2;
        s.out(e.make());
        s.await(PORT_UP); // again, after the link went down
    };
    const std::string targetFc4 = array->submodule("Chip", 0)->submodule("Fc4", 0)->fullPath();
    scripts[targetFc4] = [](Scripted& s) {
        s.await(PORT_UP);
        s.await(FC_SEQ_PAYLOAD);
        s.await(FC_SEQ_PAYLOAD);
        for (long at : {0L, 1L}) { // answers after login and again after the link reset
            Envelope e;
            e.type = 1;
            e.sId = ADDR_B;
            e.dId = ADDR_A;
            e.fc4MemAddr = 10 + at;
            s.out(e.make());
            s.wait(3.5e-4);
        }
    };
    run();

    EXPECT_EQ(target->par("addressId").longValue(), static_cast<long>(ADDR_B));
    EXPECT_EQ(port(a)->par("addressId").longValue(), static_cast<long>(ADDR_A));
    EXPECT_EQ(target->par("portMode").longValue(), 1);
    const std::string map = readFile("NxPortMap.txt");
    const std::string rows = map.substr(map.find(std::string(135, '-')) + 136);
    EXPECT_EQ(rows, col("1", 7) + col("Target", 13) + col("66048", 15) + col("Velmora.Array.Chip[0].NxPort[0]", 55) +
                        col("Velmora.HostA.NxPort[0]", 45) + "\n" + col("2", 7) + col("Initiator", 13) +
                        col("65792", 15) + col("Velmora.HostA.NxPort[0]", 55) +
                        col("Velmora.Array.Chip[0].NxPort[0]", 45) + "\n");
}

// A request that names an exchange by its key.
cMessage* exchange_request(const char* name, int kind, long fc4MemAddr, long eeIdx)
{
    auto* msg = new cMessage(name, kind, 0);
    msg->addPar("fc4MemAddr").setLongValue(fc4MemAddr);
    msg->addPar("eeIdx").setLongValue(eeIdx);
    return msg;
}

TEST_F(Fc2ControllerTest, RequestsOfFc4ReachTheExchangeOfTheirPair)
{
    twoHosts();
    // An exchange that stays open: its first sequence is not its last.
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.lastSeq = false;
        e.fc4MemAddr = 7;
        s.out(e.make());
        s.await(KEEP_IU_INIT);
        s.out(exchange_request("HOLD_INIT", HOLD_INIT, 7, 1));
        cMessage* abort = exchange_request("ABT_SIO_REQ_ESB", ABT_SIO_REQ_ESB, 7, 1);
        abort->addPar("initiator").setLongValue(3);
        abort->addPar("target").setLongValue(4);
        s.out(abort);
        const Arrival& ack = s.await(ABT_SIO_ACK_ESB);
        EXPECT_EQ(ack.copy->par("sId").longValue(), static_cast<long>(ADDR_A));
        EXPECT_EQ(ack.copy->par("oxId").longValue(), 0);
        EXPECT_EQ(ack.copy->par("rxId").longValue(), 0xFFFF);
        EXPECT_EQ(ack.copy->par("peerAddrId").longValue(), static_cast<long>(ADDR_B));
        EXPECT_EQ(ack.copy->par("totalTry").longValue(), 0);
        EXPECT_EQ(ack.copy->par("initiator").longValue(), 3);
        EXPECT_EQ(ack.copy->par("target").longValue(), 4);
        // The exchange is gone now; pair 2 serves no peer.
        s.out(exchange_request("HOLD_INIT", HOLD_INIT, 7, 1));
        s.out(exchange_request("PLOGI_TO_RM_OESB", PLOGI_TO_RM_OESB, 99, 0));
        s.out(exchange_request("RESB_FREE", RESB_FREE, 7, 2));
    });
    // The responder is told by the peer's abort to end its exchange.
    scripts[fc4(b)] = loggedIn(ADDR_A, [](Scripted& s) {
        s.await(FC_SEQ_PAYLOAD);
        auto* abort = new cMessage("ABORT_EXCHANGE", ABORT_EXCHANGE, 0);
        abort->addPar("peerAddrId").setLongValue(ADDR_A);
        abort->addPar("oxId").setLongValue(0);
        s.out(abort);
        const Arrival& fcpio = s.await(ABORT_FCPIO);
        EXPECT_EQ(fcpio.copy->par("fc4MemAddr").longValue(), 7);
        EXPECT_EQ(fcpio.copy->par("eeIdx").longValue(), 1);
        EXPECT_EQ(fcpio.copy->par("portIdx").longValue(), 0);
    });
    run();

    EXPECT_EQ(ofKind(got(a), ABT_SIO_ACK_ESB).size(), 1u);
    EXPECT_EQ(ofKind(got(b), ABORT_FCPIO).size(), 1u);
    EXPECT_EQ(pair(port(a), 1)->oesbInUse(), 0);
    EXPECT_EQ(pair(port(b), 1)->resbInUse(), 0);
    EXPECT_TRUE(ofKind(got(a), OESB_FREE).empty()); // aborts free without notice
    const std::string log = readFile("logs/Warnings.log");
    EXPECT_NE(log.find("WARNING: HOLD_INIT found no requested ESB Table!"), std::string::npos);
    EXPECT_NE(log.find("WARNING: PLOGI/ABTX_TO_RM_OESB found no requested ESB Table"), std::string::npos);
    EXPECT_NE(log.find("WARNING: RESB_FREE detected missing EePair!"), std::string::npos);
    EXPECT_EQ(log.find("WARNING: ABORT_EXCHANGE"), std::string::npos);
    EXPECT_EQ(ctrl(port(a))->inProcFlag(), 0);
}

TEST_F(Fc2ControllerTest, OxIdsRunTo0xFFFEThenFrom0AndAReusedOneEndsTheOldExchange)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [this](Scripted& s) {
        cPar& next = port(a)->submodule("Fc2")->par("currOxId");
        next.setLongValue(0xFFFE);
        Envelope e;
        e.lastSeq = false;
        for (long key : {1L, 2L, 3L}) {
            if (key == 3)
                next.setLongValue(0); // OX_ID 0 is still in use by exchange 2
            e.fc4MemAddr = key;
            s.out(e.make());
            s.await(KEEP_IU_INIT);
        }
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();

    const auto heads = fc1(port(a)).heads();
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(heads[0]->getOxId(), 0xFFFE);
    EXPECT_EQ(heads[1]->getOxId(), 0);
    EXPECT_EQ(heads[2]->getOxId(), 0);
    EXPECT_TRUE(warned("ALERT: encountered OX_ID overlap. Abort the old Exchange bearing that OX_ID"));
    EXPECT_TRUE(ofKind(got(a), OESB_FREE).empty());
    const EndToEndPair* ee = pair(port(a), 1);
    EXPECT_EQ(ee->oesbUsed(), 3);
    EXPECT_EQ(ee->oesbInUse(), 2);
    // The responder numbered its exchanges from RX_ID 0.
    EXPECT_EQ(pair(port(b), 1)->resbInUse(), 3);
    EXPECT_EQ(port(b)->submodule("Fc2")->par("currRxId").longValue(), 3);
}

TEST_F(Fc2ControllerTest, RxIdsRunTo0xFFFEThenFrom0AndAReusedOneEndsTheOldExchange)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.lastSeq = false;
        for (long key : {1L, 2L, 3L}) {
            s.wait(1e-4); // the responder sees each exchange before the next
            e.fc4MemAddr = key;
            s.out(e.make());
            s.await(KEEP_IU_INIT);
        }
    });
    scripts[fc4(b)] = loggedIn(ADDR_A, [this](Scripted& s) {
        cPar& next = port(b)->submodule("Fc2")->par("currRxId");
        next.setLongValue(0xFFFE);
        s.await(FC_SEQ_PAYLOAD);
        s.await(FC_SEQ_PAYLOAD);
        next.setLongValue(0); // RX_ID 0 is still in use by exchange 2
        s.await(FC_SEQ_PAYLOAD);
    });
    run();

    EXPECT_TRUE(warned("ALERT: encountered RX_ID overlap. Abort the old Exchange bearing that RX_ID"));
    EXPECT_FALSE(warned("ALERT: encountered OX_ID overlap. Abort the old Exchange bearing that OX_ID"));
    const EndToEndPair* ee = pair(port(b), 1);
    EXPECT_EQ(ee->resbUsed(), 3);
    EXPECT_EQ(ee->resbInUse(), 2);
    std::vector<std::pair<unsigned long, unsigned>> open;
    for (const ESB& esb : ee->resbTable())
        if (esb.isOpen())
            open.emplace_back(esb.fc4MemAddr, esb.rxId);
    EXPECT_EQ(open, (std::vector<std::pair<unsigned long, unsigned>>{{1, 0xFFFE}, {3, 0}}));
    EXPECT_EQ(ofKind(got(b), FC_SEQ_PAYLOAD).size(), 3u);
    // The originator keeps all three.
    EXPECT_EQ(pair(port(a), 1)->oesbInUse(), 3);
}

TEST_F(Fc2ControllerTest, TheControllerIsBusyWhileAPairWorks)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) { s.out(Envelope().make()); });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();
    // Segmentation (1 us) and pacing (0.15 us), then a transmit update
    // (1 us); the pair allocation at time 0 took no time.
    EXPECT_NEAR(ctrl(port(a))->par("asicUtilDelta").doubleValue(), 2.15e-6, 1e-12);
    EXPECT_EQ(ctrl(port(a))->inProcFlag(), 0);
    EXPECT_EQ(ctrl(port(a))->reqProcQueLength(), 0);
}

} // namespace
