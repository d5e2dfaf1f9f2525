// The switch port's FC-4 controller on a live inter-switch link: the limit on
// open exchanges, the reset ladder of PORT_UP and what it drops while its
// port is down.

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "device/FileNameString.h"
#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "tests/switch/SwitchPairTest.h"

namespace {

using SwitchFc4Controller = SwitchPairTest;

// The link is up at both ends well before this.
constexpr double LINK_IS_UP = 0.1;

cMessage* fspf_packet(const char* name, unsigned cmdCode, unsigned long msgLen)
{
    auto* p = new FspfPacket(name, 76);
    p->setCmdCode(static_cast<unsigned char>(cmdCode));
    p->setMsgLen(msgLen);
    p->setLength(static_cast<long>(msgLen));
    return p;
}

cMessage* lsu(const char* fileName)
{
    auto* p = static_cast<FspfPacket*>(fspf_packet("FSPF_LSU", 0x15, 72));
    p->setLsrNum(1);
    p->setLsuFileNamePtr(new_file_name_string(fileName));
    return p;
}

cMessage* req_gid_ft(long destDom)
{
    auto* req = new cMessage("REQ_GID_FT", REQ_GID_FT, 0);
    req->addPar("destDom").setLongValue(destDom);
    return req;
}

TEST_F(SwitchFc4Controller, WithOneExchangeAllowedANameServerQueryWaitsForTheFspfExchangeToEnd)
{
    build("Velmora.defConCurrSeq = 1");
    centre(1).sendAt(LINK_IS_UP, 0, fspf_packet("FSPF_HELLO", 0x14, 40));
    centre(1).sendAt(LINK_IS_UP, 0, req_gid_ft(2));
    ASSERT_EQ(run(), "") << errorModule;

    // The HELLO went out after its send cost and reached the other centre.
    const auto hello = down(1).carrying("FSPF_HELLO");
    ASSERT_EQ(hello.size(), 1u);
    EXPECT_NEAR(hello[0]->time, LINK_IS_UP + 10e-6, 1e-9);
    const auto arrived = centre(2).arrivalsOfKind(76);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0]->name, "FSPF_HELLO");

    // The query was held while the HELLO's exchange was open and went out
    // 10 us after FC-2 reported that exchange's end, ahead of the two other
    // services' shares of that report.
    std::vector<const MessageTap::Passage*> ends;
    for (const MessageTap::Passage* p : up(1).ofKind(OESB_FREE))
        if (p->time > LINK_IS_UP)
            ends.push_back(p);
    ASSERT_GE(ends.size(), 1u);
    const auto query = down(1).carrying("FC_GS_GIDFT");
    ASSERT_EQ(query.size(), 1u);
    EXPECT_GT(query[0]->time, hello[0]->time + 10e-6);
    EXPECT_NEAR(query[0]->time, ends[0]->time + 10e-6, 1e-9);

    // The other switch's name server answered, and the list came back.
    ASSERT_EQ(centre(2).queriesOfKind(GOT_GID_FT).size(), 1u);
    EXPECT_EQ(centre(1).arrivalsOfKind(RECV_PID_LIST).size(), 1u);
    EXPECT_EQ(fc4(1)->submodule("SwIls")->par("currConCurrIu").longValue(), 0);
}

TEST_F(SwitchFc4Controller, APortUpAfterTheLinkResetWasDoneStopsTheRun)
{
    build();
    down(1).inject(LINK_IS_UP, new cMessage("REQ_LINK_RESET", REQ_LINK_RESET, 0));
    EXPECT_EQ(runToError(), "ERROR: Received PORT_READY but both SW_ILS_ELP and LR already finished !");
    EXPECT_EQ(errorModule.substr(errorModule.size() - 12), ".Fc4.Fc4Ctrl");
    // The third PORT_UP of one of the two ends stopped it.
    EXPECT_EQ(up(1).ofKind(PORT_UP).size() + up(2).ofKind(PORT_UP).size(), 5u);
}

TEST_F(SwitchFc4Controller, RoutingPacketsForADownPortAreDroppedWithTheirFiles)
{
    build();
    // Port 1 of Sw1 has no cable and never comes up; port 0 is not up yet at
    // the start.
    centre(1).sendAt(0, 1, lsu("out/Lsu30000.tmp"));
    centre(1).sendAt(0, 0, lsu("out/Lsu30001.tmp"));
    // Once it is up, an update crosses to the other switch, whose centre
    // gets it with its file name.
    centre(1).sendAt(LINK_IS_UP, 0, lsu("out/Lsu30002.tmp"));
    ASSERT_EQ(run(), "") << errorModule;

    EXPECT_EQ(warningCount("WARNING: DEV_DOWN ignores PSPF_PACKET from SwCtrl Centre!"), 2);
    EXPECT_TRUE(down(1).carrying("FSPF_LSU").size() == 1u);
    const auto arrived = centre(2).arrivalsOfKind(76);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0]->name, "FSPF_LSU");
}

} // namespace

namespace {

TEST_F(SwitchFc4Controller, ALinkDropIsReportedAndTheLinkParametersAreExchangedAgain)
{
    build("Velmora.linkEventFile = \"IslDrop.txt\"");
    ASSERT_EQ(run(), "") << errorModule;

    for (int s : {1, 2}) {
        // Both ends told their centre of the loss at once, and came back as
        // E_Ports after a second round of ELP and link reset.
        const auto downs = centre(s).portEventsOfKind(DEV_DOWN);
        ASSERT_EQ(downs.size(), 1u) << s;
        const auto lost = up(s).ofKind(PORT_DOWN);
        ASSERT_EQ(lost.size(), 1u) << s;
        EXPECT_NEAR(lost[0]->time, 1.0, 1e-4) << s;
        EXPECT_DOUBLE_EQ(downs[0]->time, lost[0]->time) << s;
        const auto ups = centre(s).portEventsOfKind(E_PORT_UP);
        ASSERT_EQ(ups.size(), 2u) << s;
        EXPECT_GT(ups[1]->time, 2.0) << s;
        const auto elps = down(s).carrying("SW_ILS_ELP");
        ASSERT_EQ(elps.size(), 2u) << s;
        const auto ports = up(s).ofKind(PORT_UP);
        ASSERT_EQ(ports.size(), 4u) << s;
        EXPECT_NEAR(elps[1]->time - ports[2]->time, 0.02 + 10e-6, 1e-9) << s;
        EXPECT_EQ(port(s)->par("portMode").longValue(), E_PORT_MODE) << s;
        EXPECT_EQ(fc4(s)->submodule("SwIls")->par("currConCurrIu").longValue(), 0) << s;
    }
}

TEST_F(SwitchFc4Controller, AStateChangeGoesFromDomainControllerToDomainController)
{
    build();
    auto* req = new cMessage("ISSUE_SW_RSCN", ISSUE_SW_RSCN, 0);
    req->addPar("portId").setLongValue(0x010300);
    req->addPar("portOnline").setBoolValue(true);
    req->addPar("destDom").setLongValue(2);
    centre(1).sendAt(LINK_IS_UP, 0, req);
    ASSERT_EQ(run(), "") << errorModule;

    const auto sent = down(1).carrying("SW_ILS_SW_RSCN");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NEAR(sent[0]->time, LINK_IS_UP + 10e-6, 1e-9);
    EXPECT_EQ(sent[0]->sId, 0xFFFC01u);
    EXPECT_EQ(sent[0]->dId, 0xFFFC02u);
    EXPECT_EQ(sent[0]->code, 0x1Bu);
    // The other switch's link services handed it to their centre after
    // taking it in.
    const auto got = up(2).carrying("SW_ILS_SW_RSCN");
    ASSERT_EQ(got.size(), 1u);
    const auto told = centre(2).arrivalsOfKind(GOT_SW_RSCN);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NEAR(told[0]->time - got[0]->time, 20e-6, 1e-9);
    // Its exchange stayed open until FC-2 reported the end.
    EXPECT_EQ(fc4(1)->submodule("SwIls")->par("currConCurrIu").longValue(), 0);
    bool ended = false;
    for (const MessageTap::Passage* p : up(1).ofKind(OESB_FREE))
        ended = ended || p->time > sent[0]->time;
    EXPECT_TRUE(ended);
}

TEST_F(SwitchFc4Controller, AnFcpSequenceAtASwitchPortStopsTheRun)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sequence stays in the hands of the controller that stops.
    __lsan::ScopedDisabler leftWithTheStoppedRun;
#endif
    build();
    auto* iu = new FcpIu("FCP_CMND", 141);
    auto* seq = new FcSeqPayload("FC_SEQ_PAYLOAD", FC_SEQ_PAYLOAD);
    seq->setType(8);
    seq->setHasCtxPtr(true);
    seq->setCtxPtr(object_address(iu));
    up(1).inject(LINK_IS_UP, seq);
    EXPECT_EQ(runToError(), "ERROR: proc_recv_seq Unknown TYPE field - 8 !");
    EXPECT_EQ(errorModule, "Velmora.Sw1.SwPort[0].Fc4.Fc4Ctrl");
}

} // namespace

namespace {

TEST_F(SwitchFc4Controller, APortLostAgainBeforeItCameUpAgreesItsLinkParametersAfresh)
{
    // Both ends hear of a loss after the link parameters were agreed and
    // before the link reset that follows brought the ports back up, while
    // they still count as down from the start.
    build();
    up(1).inject(0.022, new cMessage("PORT_DOWN", PORT_DOWN, 0));
    up(2).inject(0.022, new cMessage("PORT_DOWN", PORT_DOWN, 0));
    ASSERT_EQ(run(), "") << errorModule;

    for (int s : {1, 2}) {
        // The centre heard of no loss: the port had not come up yet.
        EXPECT_TRUE(centre(s).portEventsOfKind(DEV_DOWN).empty()) << s;
        // The link reset's PORT_UP started the bring-up again: a second
        // ELP 20 ms later, its own link reset, and only after that third
        // PORT_UP the port came up as an E_Port, once.
        const auto ports = up(s).ofKind(PORT_UP);
        ASSERT_EQ(ports.size(), 3u) << s;
        EXPECT_GT(ports[1]->time, 0.022) << s;
        const auto elps = down(s).carrying("SW_ILS_ELP");
        ASSERT_EQ(elps.size(), 2u) << s;
        EXPECT_LT(elps[0]->time, 0.022) << s;
        EXPECT_NEAR(elps[1]->time - ports[1]->time, 0.02 + 10e-6, 1e-9) << s;
        const auto ups = centre(s).portEventsOfKind(E_PORT_UP);
        ASSERT_EQ(ups.size(), 1u) << s;
        EXPECT_DOUBLE_EQ(ups[0]->time, ports[2]->time) << s;
        EXPECT_EQ(port(s)->par("portMode").longValue(), E_PORT_MODE) << s;
        EXPECT_TRUE(fc4(s)->par("elpDone").boolValue()) << s;
        EXPECT_TRUE(fc4(s)->par("elpLrDone").boolValue()) << s;
    }
    EXPECT_EQ(warningCount("ALERT: Already in DEV_DOWN mode!"), 2);
}

} // namespace
