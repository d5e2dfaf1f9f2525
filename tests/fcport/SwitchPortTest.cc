#include <map>

#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "sim/ObjectAddress.h"
#include "tests/fcport/Fc2Fixture.h"

namespace {

// A switch of two ports between hosts A and B. Its centre, played by a
// script, forwards every frame to the other port as the switch centre does:
// the head in a REQ_FRM_FWD with the switch's Domain_ID added as "hop-<n>",
// payload and tail after it, and the output port's ACK_FRM_FWD and
// COM_FRM_FWD back to the source port.
class SwitchPortTest : public Fc2Test {
  protected:
    static constexpr long DOMAIN = 5;

    void build()
    {
        setIni("**.HostA.NxPort[0].addressId = 65792\n**.HostB.NxPort[0].addressId = 66048");
        a = host("HostA");
        b = host("HostB");
        sw = switchDevice("Switch");
        cable(a, 0, sw, 0, 1e-6);
        cable(sw, 1, b, 0, 1e-6);
    }
    static void forwardingCentre(Scripted& s)
    {
        std::map<unsigned long, long> sourceOf;
        for (;;) {
            cMessage* m = s.receive();
            const int from = m->arrivalGate()->index();
            switch (m->kind()) {
            case REQ_FRM_FWD: {
                auto* head = static_cast<FcFrameHead*>(m->decapsulate());
                const std::string hop = "hop-" + std::to_string(head->getHopId());
                head->addPar(hop.c_str()).setLongValue(DOMAIN);
                head->setHopId(head->getHopId() + 1);
                sourceOf[head->getFrmGid()] = from;
                auto* fwd = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD, 0);
                fwd->addPar("srcPort").setLongValue(from);
                fwd->addPar("frmFlag").setLongValue(REMOTE_FRAME);
                fwd->addPar("frmGid").setLongValue(head->getFrmGid());
                fwd->encapsulate(head);
                s.send(fwd, "out", 1 - from);
                s.take(m);
                break;
            }
            case FC_FRAME_PAYLOAD:
            case FC_FRAME_TAIL: s.send(m, "out", 1 - from); break;
            case ACK_FRM_FWD: s.send(m, "out", static_cast<int>(m->par("srcPort").longValue())); break;
            case COM_FRM_FWD:
                s.send(m, "out", static_cast<int>(sourceOf[static_cast<unsigned long>(m->par("frmGid").longValue())]));
                break;
            default: s.take(m);
            }
        }
    }
    std::string centre() const { return sw->submodule("Centre")->fullPath(); }

    cModule* sw = nullptr;
};

TEST_F(SwitchPortTest, FramesCrossTheSwitchPortsAndTheRouteReachesTheStatistics)
{
    build();
    scripts[centre()] = forwardingCentre;
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        s.out(req_eepair(ADDR_B));
        s.await(PLOGI_SUCC);
        Envelope e;
        e.length = 3000;
        e.context = context_object("command");
        s.out(e.make());
    };
    scripts[fc4(b)] = [](Scripted& s) {
        s.await(PORT_UP);
        s.out(req_eepair(ADDR_A));
        s.await(PLOGI_SUCC);
        s.wait(1.5e-3);
        auto* plout = new cMessage("REQ_PLOUT", REQ_PLOUT, 0);
        plout->addPar("peerAddrId").setLongValue(ADDR_A);
        s.out(plout);
    };
    simulation.setSimTimeLimit(2.5e-3);
    run();

    const auto delivered = ofKind(got(b), FC_SEQ_PAYLOAD);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0]->copy->length(), 3000);
    EXPECT_EQ(delivered[0]->contextName, "command");

    // The output port sent both frames as forwarded frames.
    const Fc1Record& out = fc1(sw->submodule("SwPort", 1));
    ASSERT_EQ(out.heads().size(), 2u);
    EXPECT_EQ(out.heads()[0]->getFrameFlag(), 1); // to be forwarded
    EXPECT_EQ(out.heads()[0]->getHopId(), 1);
    EXPECT_EQ(out.heads()[0]->par("hop-0").longValue(), DOMAIN);
    EXPECT_EQ(out.payloads()[1]->getPayLen(), 3000 - 2048);
    // Each frame was taken (ACK) and moved whole (COM) by the output port.
    const auto& atCentre = arrivals[centre()];
    EXPECT_EQ(ofKind(atCentre, REQ_FRM_FWD).size(), 2u);
    // Forwarded frames give the output port no pair work.
    EXPECT_DOUBLE_EQ(ctrl(sw->submodule("SwPort", 1))->par("asicUtilDelta").doubleValue(), 0.0);
    EXPECT_EQ(sw->submodule("SwPort", 0)->par("currBbCnt").longValue(), 0);
    EXPECT_EQ(port(a)->par("currBbCnt").longValue(), 0);

    // B's statistics show the switch crossed while A is its peer, and lose
    // the route once the pair is gone.
    const std::string text = readFile("out/ee/From_65792_To_66048.EeStat");
    std::istringstream lines(text);
    std::string line, first, second;
    std::getline(lines, line);
    std::getline(lines, line);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first.substr(first.size() - 1), "5") << first;
    EXPECT_EQ(first.substr(0, 18), col("1.0000", 18));
    EXPECT_EQ(second.substr(second.size() - 16), "path unavailable") << second;
}

TEST_F(SwitchPortTest, FramesHandedToADownSwitchPortAreDroppedWithAWarning)
{
    build();
    fc1Scripts[sw->submodule("SwPort", 0)->fullPath()].linkUpAt = -1; // never up
    scripts[centre()] = [](Scripted& s) {
        auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
        head->setFrameFlag(REMOTE_FRAME);
        head->setFrmGid(77);
        head->setHasCtxPtr(true);
        head->setCtxPtr(object_address(context_object("in transit")));
        auto* fwd = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD, 0);
        fwd->addPar("srcPort").setLongValue(1);
        fwd->addPar("frmFlag").setLongValue(REMOTE_FRAME);
        fwd->addPar("frmGid").setLongValue(77);
        fwd->encapsulate(head);
        s.send(fwd, "out", 0);
        auto* payload = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
        payload->setFrameFlag(REMOTE_FRAME);
        payload->setFrmGid(77);
        s.send(payload, "out", 0);
        auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
        tail->setFrameFlag(REMOTE_FRAME);
        tail->setFrmGid(77);
        s.send(tail, "out", 0);
    };
    EXPECT_EQ(runError(), "");
    const std::string log = readFile("logs/Warnings.log");
    size_t n = 0;
    for (size_t at = log.find("WARNING: Cannot forward Frames in PORT_DOWN!"); at != std::string::npos;
         at = log.find("WARNING: Cannot forward Frames in PORT_DOWN!", at + 1))
        ++n;
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(deletedContexts, (std::vector<std::string>{"in transit"}));
    EXPECT_TRUE(fc1(sw->submodule("SwPort", 0)).sent.empty());
}

TEST_F(SwitchPortTest, ABareHeadFromTheCentreEndsTheRun)
{
    build();
    scripts[centre()] = [](Scripted& s) {
        s.wait(1e-6);
        auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
        head->setFrameFlag(REMOTE_FRAME);
        s.send(head, "out", 0);
    };
    EXPECT_EQ(runError(), "ERROR: FC_FRAME_HEAD came from wrong place!");
}

} // namespace
