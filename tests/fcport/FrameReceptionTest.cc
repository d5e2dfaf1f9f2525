#include <algorithm>

#include "fcport/Fc2EeStat.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "sim/ObjectAddress.h"
#include "tests/fcport/Fc2Fixture.h"

namespace {

// One frame as a peer puts it on the cable, its fields chosen by the test.
struct RawFrame {
    unsigned long sId = ADDR_A, dId = ADDR_B;
    unsigned type = 8, rCtl = 6;
    unsigned short oxId = 0x10, rxId = 0xFFFF, seqCnt = 0;
    unsigned char seqId = 0;
    bool exchOrig = true, firstSeq = true, lastSeq = true, endSeq = true;
    unsigned long sof = SOFi3, eof = EOFt;
    unsigned payLen = 100;
    unsigned long seqPayLen = 100, fc4MemAddr = 1, fc4IuIndex = 1;
    int respInitSsbSize = 0, respRecpSsbSize = 1;
    cMessage* context = nullptr;
    bool withTail = true;

    void sendFrom(Scripted& s) const
    {
        static unsigned long nextGid = 5000;
        const unsigned long gid = nextGid++;
        auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
        head->setLength(36);
        head->setSId(sId);
        head->setDId(dId);
        head->setType(type);
        head->setRCtl(rCtl);
        head->setOxId(oxId);
        head->setRxId(rxId);
        head->setSeqId(seqId);
        head->setSeqCnt(seqCnt);
        head->setExchOrig(exchOrig);
        head->setFirstSeq(firstSeq);
        head->setLastSeq(lastSeq);
        head->setEndSeq(endSeq);
        head->setSof(sof);
        head->setSeqPayLen(seqCnt == 0 ? seqPayLen : 0);
        head->setFc4MemAddr(fc4MemAddr);
        head->setFc4IuIndex(seqCnt == 0 ? fc4IuIndex : 0xFFFFFFFF);
        head->setRespInitSsbSize(respInitSsbSize);
        head->setRespRecpSsbSize(respRecpSsbSize);
        head->setFrmGid(gid);
        head->setEeStime(s.simTime());
        if (context) {
            head->setHasCtxPtr(true);
            head->setCtxPtr(object_address(context));
        }
        auto* payload = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
        payload->setLength(0);
        payload->setPayLen(payLen);
        payload->setFrmGid(gid);
        s.out(head);
        s.out(payload);
        if (!withTail)
            return;
        auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
        tail->setLength(0);
        tail->setTailLen(16);
        tail->setEof(eof);
        tail->setFrmGid(gid);
        s.out(tail);
    }
};

// A host port fed by a scripted peer that writes frames by hand.
class FrameReceptionTest : public Fc2Test {
  protected:
    void SetUp() override
    {
        Fc2Test::SetUp();
        setIni("**.HostB.NxPort[0].addressId = 66048");
        b = host("HostB");
        peer = scriptedPeer("Peer");
        cable(peer, 0, b, 0, 1e-6);
        scripts[fc4(b)] = [](Scripted& s) {
            s.await(PORT_UP);
            s.out(req_eepair(ADDR_A));
        };
    }
    // The peer waits until the port is logged in, then runs `frames`.
    void peerSends(const std::function<void(Scripted&)>& frames)
    {
        scripts[peer->fullPath()] = [frames](Scripted& s) {
            s.wait(1e-6);
            frames(s);
        };
    }
    // The warnings of the run, in order, without their count, time and path.
    std::vector<std::string> warningTexts() const
    {
        std::vector<std::string> texts;
        std::istringstream log(readFile("logs/Warnings.log"));
        std::string line;
        for (int n = 0; std::getline(log, line); ++n)
            if (n >= 2 && line.size() > 87)
                texts.push_back(line.substr(87));
        return texts;
    }
    int count(const std::string& name) const
    {
        return static_cast<int>(std::count(deletedContexts.begin(), deletedContexts.end(), name));
    }

    cModule* peer = nullptr;
};

TEST_F(FrameReceptionTest, AShortLastFrameAbortsTheExchangeAndItsObjectGoesOnceWithTheBlock)
{
    peerSends([](Scripted& s) {
        RawFrame shortOne;
        shortOne.payLen = 50; // of the 100 announced
        shortOne.context = context_object("short");
        shortOne.sendFrom(s);
        s.wait(1e-4);
        // A later sequence of the aborted exchange is refused with its object.
        RawFrame late;
        late.firstSeq = false;
        late.rxId = 0;
        late.context = context_object("late");
        late.sendFrom(s);
    });
    scripts[fc4(b)] = [](Scripted& s) {
        s.await(PORT_UP);
        s.out(req_eepair(ADDR_A));
        s.wait(5e-4);
        cMessage* free = new cMessage("RESB_FREE", RESB_FREE, 0);
        free->addPar("fc4MemAddr").setLongValue(1);
        free->addPar("eeIdx").setLongValue(1);
        s.out(free);
    };
    run();

    EXPECT_EQ(warningTexts(),
              (std::vector<std::string>{
                  "WARNING: FRAME_RX Unexpected sequence ending for current received frame, ABORT this EXCHANGE!",
                  "WARNING: update_an_esb ESB was aborted!",
                  "WARNING: Deleting RECP_SSB also will delete context pointer!"}));
    EXPECT_EQ(deletedContexts, (std::vector<std::string>{"late", "short"}));
    EXPECT_TRUE(ofKind(got(b), FC_SEQ_PAYLOAD).empty());
    EXPECT_EQ(pair(port(b), 1)->resbUsed(), 1);
    EXPECT_EQ(pair(port(b), 1)->resbInUse(), 0);
    // Every frame, the refused ones too, returned its credit.
    EXPECT_EQ(ofKind(arrivals[peer->fullPath()], R_RDY).size(), 2u);
}

TEST_F(FrameReceptionTest, AFrameEndingInEofaIsDroppedWithItsObjectAndStillFreesItsBuffer)
{
    peerSends([](Scripted& s) {
        RawFrame f;
        f.eof = EOFa;
        f.context = context_object("aborted");
        f.sendFrom(s);
    });
    run();
    EXPECT_EQ(warningTexts(), (std::vector<std::string>{"WARNING: FC2 received frame with EOFa, abort it!",
                                                        "WARNING: context pointer was deleted for EOFa frame."}));
    EXPECT_EQ(count("aborted"), 1);
    EXPECT_EQ(pair(port(b), 1)->resbUsed(), 0);
    EXPECT_EQ(ofKind(arrivals[peer->fullPath()], R_RDY).size(), 1u);
}

TEST_F(FrameReceptionTest, AFrameForAPeerWithoutPairLosesItsObjectOnceEvenWhenTheLinkGoesDown)
{
    scripts[fc4(b)] = [](Scripted& s) { s.await(PORT_UP); }; // no pair for the peer
    fc1Scripts[port(b)->fullPath()].linkDownAt = 1e-4;
    peerSends([](Scripted& s) {
        RawFrame f;
        f.context = context_object("unclaimed");
        f.sendFrom(s);
    });
    run();
    EXPECT_EQ(warningTexts(),
              (std::vector<std::string>{"ALERT: REQ_RX_PROC Break point ... context pointer deleted!"}));
    EXPECT_EQ(count("unclaimed"), 1);
    EXPECT_EQ(ofKind(got(b), PORT_DOWN).size(), 1u);
}

TEST_F(FrameReceptionTest, ALinkLostWhileAFrameComesInDeletesTheObjectOfThatFrame)
{
    fc1Scripts[port(b)->fullPath()].linkDownAt = 1e-4;
    peerSends([](Scripted& s) {
        RawFrame f;
        f.withTail = false;
        f.context = context_object("cut off");
        f.sendFrom(s);
    });
    run();
    EXPECT_EQ(warningTexts(),
              (std::vector<std::string>{"WARNING: PORT_DOWN Clearing FC2 - The receiving frame ctxPtr also deleted!"}));
    EXPECT_EQ(count("cut off"), 1);
    EXPECT_EQ(ctrl(port(b))->frmRxFlag(), Fc2Controller::FRM_RX_IDLE);
}

TEST_F(FrameReceptionTest, AnOutOfOrderEndAResponderStartingTheExchangeOrACreditNotTakenEndsTheRun)
{
    peerSends([](Scripted& s) {
        RawFrame f;
        f.endSeq = false;
        f.eof = EOFn;
        f.sendFrom(s);
    });
    EXPECT_EQ(runError(), "ERROR: update_an_esb FRAME_RX detected Out-of-Order delvery!");
    TearDown();
    SetUp();
    peerSends([](Scripted& s) {
        RawFrame f;
        f.exchOrig = false;
        f.sendFrom(s);
    });
    EXPECT_EQ(runError(), "ERROR: First Sequence can not be initiated by Exchange Responder!");
    TearDown();
    SetUp();
    peerSends([](Scripted& s) { s.out(new cMessage("R_RDY", R_RDY, 4)); });
    EXPECT_EQ(runError(), "ERROR: Found BB_Cnt < 0");
}

TEST_F(FrameReceptionTest, AFrameOfNoExchangeIsCountedAndDropped)
{
    peerSends([](Scripted& s) {
        RawFrame f;
        f.firstSeq = false;
        f.rxId = 0x77;
        f.context = context_object("stray");
        f.sendFrom(s);
    });
    run();
    EXPECT_EQ(pair(port(b), 1)->esbByFfqFF(), 1);
    EXPECT_EQ(count("stray"), 1);
    // Still counted in the statistics of the pair of ports: one frame of
    // 100 bytes in the first period, and no exchange.
    std::istringstream file(readFile("out/ee/From_65792_To_66048.EeStat"));
    std::string header, rule, simTime;
    long exchNew = -1, exchCom = -1, frmRcvd = -1;
    std::getline(file, header);
    std::getline(file, rule);
    file >> simTime >> exchNew >> exchCom >> frmRcvd;
    EXPECT_EQ(simTime, "1.0000");
    EXPECT_EQ(exchNew, 0);
    EXPECT_EQ(exchCom, 0);
    EXPECT_EQ(frmRcvd, 1);
}

} // namespace
