#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc2Fixture.h"

namespace {

// Two hosts on a cable, each port logged in to the other, with FC-4 played by
// scripts: sequences go through FC-2, the stand-in FC-1 and back up.
class SegmentationTest : public Fc2Test {
  protected:
    static const FcSeqPayload& envelope(const Arrival* a) { return *static_cast<FcSeqPayload*>(a->copy.get()); }
};

TEST_F(SegmentationTest, SequencesAreCutIntoFramesOfAtMost2048BytesAndReassembledWhole)
{
    twoHosts();
    const long lengths[] = {1, 2048, 2049, 4097};
    scripts[fc4(a)] = loggedIn(ADDR_B, [&](Scripted& s) {
        for (int k = 0; k < 4; ++k) {
            Envelope e;
            e.length = lengths[k];
            e.fc4MemAddr = 100 + k;
            e.fc4IuIndex = 200 + k;
            e.context = context_object(("iu-" + std::to_string(k)).c_str());
            s.out(e.make());
        }
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();

    // What FC-2 handed to FC-1: 1 + 1 + 2 + 3 frames, in order.
    const Fc1Record& tx = fc1(port(a));
    const auto heads = tx.heads();
    const auto payloads = tx.payloads();
    const auto tails = tx.tails();
    ASSERT_EQ(heads.size(), 7u);
    ASSERT_EQ(payloads.size(), 7u);
    ASSERT_EQ(tails.size(), 7u);
    const struct {
        int seq;
        unsigned payLen, seqCnt, sof, eof;
        bool first, last;
    } want[] = {{0, 1, 0, SOFi3, EOFt, true, true},     {1, 2048, 0, SOFi3, EOFt, true, true},
                {2, 2048, 0, SOFi3, EOFn, true, false}, {2, 1, 1, SOFn3, EOFt, false, true},
                {3, 2048, 0, SOFi3, EOFn, true, false}, {3, 2048, 1, SOFn3, EOFn, false, false},
                {3, 1, 2, SOFn3, EOFt, false, true}};
    for (int f = 0; f < 7; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        const auto& w = want[f];
        FcFrameHead* h = heads[f];
        EXPECT_EQ(payloads[f]->getPayLen(), w.payLen);
        EXPECT_EQ(h->getSeqCnt(), w.seqCnt);
        EXPECT_EQ(h->getSof(), w.sof);
        EXPECT_EQ(tails[f]->getEof(), w.eof);
        EXPECT_EQ(h->getEndSeq(), w.last);
        EXPECT_EQ(h->length(), 36);
        EXPECT_EQ(h->getHeadLen(), 36);
        EXPECT_EQ(payloads[f]->length(), 0);
        EXPECT_EQ(tails[f]->length(), 0);
        EXPECT_EQ(tails[f]->getTailLen(), 16);
        EXPECT_EQ(h->getSId(), ADDR_A);
        EXPECT_EQ(h->getDId(), ADDR_B);
        EXPECT_EQ(h->getOxId(), w.seq); // one exchange per sequence, OX_IDs from 0
        EXPECT_EQ(h->getRxId(), 0xFFFF);
        EXPECT_TRUE(h->getExchOrig());
        EXPECT_TRUE(h->getSeqInit());
        EXPECT_EQ(h->getTrunkId(), static_cast<unsigned>(w.seq));
        EXPECT_EQ(h->getFrmGid(), static_cast<unsigned>(f));
        EXPECT_EQ(payloads[f]->getFrmGid(), h->getFrmGid());
        EXPECT_EQ(tails[f]->getFrmGid(), h->getFrmGid());
        EXPECT_EQ(payloads[f]->getFfq().seqCnt, w.seqCnt);
        EXPECT_EQ(tails[f]->getFfq().oxId, h->getOxId());
        EXPECT_EQ(h->getFfq().dId, ADDR_B);
        // Exchange and sequence fields ride on the first frame only.
        EXPECT_EQ(h->getHasCtxPtr(), w.first);
        EXPECT_EQ(h->getSeqPayLen(), w.first ? static_cast<unsigned>(lengths[w.seq]) : 0u);
        EXPECT_EQ(h->getFc4IuIndex(), w.first ? 200u + w.seq : 0xFFFFFFFFu);
        EXPECT_EQ(h->getFc4MemAddr(), w.first ? 100u + w.seq : 0xFFFFFFFFu);
        EXPECT_EQ(h->getRespRecpSsbSize(), w.first ? 1 : 0);
        EXPECT_EQ(h->getFrameFlag(), 0);
        EXPECT_EQ(h->getHopId(), 0);
    }
    EXPECT_EQ(root->par("frmGid").longValue(), 7);
    EXPECT_EQ(root->par("trunkId").longValue(), 4);

    // The far end delivers each sequence whole, with its object.
    const auto delivered = ofKind(got(b), FC_SEQ_PAYLOAD);
    ASSERT_EQ(delivered.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const FcSeqPayload& env = envelope(delivered[k]);
        EXPECT_EQ(env.length(), lengths[k]);
        EXPECT_EQ(env.getFc4MemAddr(), 100u + k);
        EXPECT_EQ(env.getFc4IuIndex(), 200u + k);
        EXPECT_EQ(env.getSId(), ADDR_A);
        EXPECT_EQ(env.getDId(), ADDR_B);
        EXPECT_TRUE(env.getFirstSeq());
        EXPECT_TRUE(env.getLastSeq());
        EXPECT_EQ(env.getClassOfSrv(), 69);
        EXPECT_EQ(delivered[k]->contextName, "iu-" + std::to_string(k));
    }
    // Both ends closed every exchange: the originator tells FC-4 each time.
    const auto freed = ofKind(got(a), OESB_FREE);
    ASSERT_EQ(freed.size(), 4u);
    EXPECT_EQ(freed[3]->copy->par("fc4MemAddr").longValue(), 103);
    EXPECT_EQ(freed[3]->copy->par("eeIndex").longValue(), 1);
    EXPECT_EQ(pair(port(a), 1)->oesbUsed(), 4);
    EXPECT_EQ(pair(port(a), 1)->oesbInUse(), 0);
    EXPECT_EQ(pair(port(b), 1)->resbUsed(), 4);
    EXPECT_EQ(pair(port(b), 1)->resbInUse(), 0);
    EXPECT_FALSE(std::filesystem::exists("logs/Warnings.log")) << readFile("logs/Warnings.log");
}

TEST_F(SegmentationTest, RelativeOffsetsCountEachFrameAndTheDeliveredDataStartsAtTheFirst)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.length = 5000;
        e.rCtl = RCTL_FCP_DATA;
        e.roPresent = true;
        e.params = 0;
        s.out(e.make());
        e.params = 8192;
        e.fc4MemAddr = 2;
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();

    const auto heads = fc1(port(a)).heads();
    ASSERT_EQ(heads.size(), 6u);
    const unsigned offsets[] = {0, 2048, 4096, 8192, 10240, 12288};
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(heads[f]->getParams(), offsets[f]) << "frame " << f;
    const auto delivered = ofKind(got(b), FC_SEQ_PAYLOAD);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_TRUE(envelope(delivered[0]).getRoPresent());
    EXPECT_EQ(envelope(delivered[0]).getParams(), 0u);
    EXPECT_EQ(envelope(delivered[1]).getParams(), 8192u);
}

TEST_F(SegmentationTest, AClassFEnvelopeIsOneSofFFrameOnTheLinkServicePair)
{
    twoHosts();
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        Envelope e;
        e.type = 1; // ELS: pair 0
        e.rCtl = 0x22;
        e.classOfSrv = CLASS_F;
        e.length = 116;
        e.dId = 0xFFFFFE;
        s.out(e.make());
    };
    run();

    const auto heads = fc1(port(a)).heads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0]->getSof(), SOFf);
    EXPECT_EQ(fc1(port(a)).tails()[0]->getEof(), EOFt);
    EXPECT_EQ(pair(port(a), 0)->oesbUsed(), 1);
    EXPECT_EQ(pair(port(a), 1)->oesbUsed(), 0);
    // The answering pair opens its block for Class-F from the frame's SOF.
    const auto delivered = ofKind(got(b), FC_SEQ_PAYLOAD);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(envelope(delivered[0]).getClassOfSrv(), 70);
    EXPECT_EQ(envelope(delivered[0]).getDId(), 0xFFFFFEu);
    EXPECT_EQ(pair(port(b), 0)->resbUsed(), 1);
}

TEST_F(SegmentationTest, AClassFSequenceLongerThanOneFrameEndsTheRun)
{
    twoHosts();
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        Envelope e;
        e.type = 1;
        e.classOfSrv = CLASS_F;
        e.length = 2049;
        s.out(e.make());
    };
    EXPECT_EQ(runError(), "ERROR: Class-F can not have a frame SEQ_CNT > 0 !");
}

TEST_F(SegmentationTest, AnExchangeOfRequestAndAnswerPassesTheInitiativeAndLearnsTheResponderRxId)
{
    twoHosts();
    // The request hands the initiative over; the answer ends the exchange.
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.length = 32;
        e.lastSeq = false;
        e.xferSeqInit = true;
        e.fc4MemAddr = 7;
        e.origInitSsbSize = e.origRecpSsbSize = e.respInitSsbSize = e.respRecpSsbSize = 1;
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A, [](Scripted& s) {
        const Arrival& req = s.await(FC_SEQ_PAYLOAD);
        auto* in = static_cast<FcSeqPayload*>(req.copy.get());
        EXPECT_FALSE(in->getXferSeqInit()); // this side holds the initiative now
        EXPECT_EQ(in->getRespInitSsbSize(), 1);
        Envelope answer;
        answer.sId = in->getDId();
        answer.dId = in->getSId();
        answer.length = 3000;
        answer.firstSeq = false;
        answer.fc4MemAddr = in->getFc4MemAddr();
        answer.fc4IuIndex = 9;
        s.out(answer.make());
    });
    run();

    const auto heads = fc1(port(b)).heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_FALSE(heads[0]->getExchOrig());
    EXPECT_EQ(heads[0]->getRxId(), 0); // the responder's first RX_ID
    EXPECT_EQ(heads[0]->getOxId(), 0);
    EXPECT_EQ(heads[0]->getSId(), ADDR_B);
    EXPECT_EQ(heads[0]->getFc4MemAddr(), 0xFFFFFFFFu); // not a first sequence
    const auto answers = ofKind(got(a), FC_SEQ_PAYLOAD);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(envelope(answers[0]).length(), 3000);
    EXPECT_EQ(envelope(answers[0]).getFc4MemAddr(), 7u);
    EXPECT_EQ(envelope(answers[0]).getFc4IuIndex(), 9u);
    EXPECT_EQ(envelope(answers[0]).getSId(), ADDR_B);
    // The originator ended the exchange on the received side: no OESB_FREE.
    EXPECT_TRUE(ofKind(got(a), OESB_FREE).empty());
    EXPECT_EQ(pair(port(a), 1)->oesbInUse(), 0);
    EXPECT_EQ(pair(port(b), 1)->resbInUse(), 0);
    EXPECT_EQ(ctrl(port(b))->eePairTable().entry(1).peerAddrId, ADDR_A);
}

TEST_F(SegmentationTest, KeepingTheInitiativeAfterASequenceTellsFc4ToGoOn)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.length = 10;
        e.lastSeq = false;
        e.fc4MemAddr = 42;
        e.rCtl = 6;
        e.origInitSsbSize = 2;
        s.out(e.make());
        const Arrival& keep = s.await(KEEP_IU_INIT);
        EXPECT_EQ(keep.copy->par("fc4MemAddr").longValue(), 42);
        EXPECT_EQ(keep.copy->par("rCtl").longValue(), 6);
        EXPECT_EQ(keep.copy->par("type").longValue(), 8);
        EXPECT_EQ(keep.copy->par("eeIndex").longValue(), 1);
        e.firstSeq = false;
        e.lastSeq = true;
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();

    EXPECT_EQ(ofKind(got(a), KEEP_IU_INIT).size(), 1u);
    // Two sequences of one exchange: SEQ_IDs 0 and 1, the same OX_ID.
    const auto heads = fc1(port(a)).heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[0]->getSeqId(), 0);
    EXPECT_EQ(heads[1]->getSeqId(), 1);
    EXPECT_EQ(heads[1]->getOxId(), heads[0]->getOxId());
    EXPECT_EQ(ofKind(got(a), OESB_FREE).size(), 1u);
}

TEST_F(SegmentationTest, ASequenceForAnExchangeThatIsNotOpenIsDroppedWithItsObject)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.firstSeq = false;
        e.fc4MemAddr = 999;
        e.context = context_object("orphan");
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();
    EXPECT_EQ(pair(port(a), 1)->esbByAddrFF(), 1);
    EXPECT_TRUE(fc1(port(a)).heads().empty());
}

} // namespace
