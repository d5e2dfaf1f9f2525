// The bring-up of both node ports through the switch, with no I/O: link
// initialisation, fabric login, link reset, name-server registration and
// queries, port login and the I-T path at the host's SCSI side.

#include <algorithm>
#include <string>

#include "fc4/FcCodes.h"
#include "messages/MsgKinds.h"
#include "tests/integration/SanBedTest.h"

namespace {

using FabricBringUp = SanBedTest;

// The time of the first sequence of `type` and command `code` that switch
// port `port` received, or -1.
double received_at(const MessageTap& fc4, unsigned type, unsigned long code)
{
    for (const auto& a : fc4.passed)
        if (a.kind == FC_SEQ_PAYLOAD && a.type == type && a.code == code)
            return a.time;
    return -1;
}

TEST_F(FabricBringUp, EachPortLogsInToTheFabricAndResetsItsLinkFiveMillisecondsLater)
{
    build();
    ASSERT_EQ(run(), "");

    // The target logs in 50 ms after its link came up, the initiator 100 ms.
    const double targetLogin = received_at(switchFc4(1), TYPE_ELS, fc4::ELS_FLOGI);
    const double hostLogin = received_at(switchFc4(0), TYPE_ELS, fc4::ELS_FLOGI);
    EXPECT_NEAR(targetLogin, 0.05, 1e-4);
    EXPECT_NEAR(hostLogin, 0.1, 1e-4);

    // Each switch port saw the link come up twice: at the start and after
    // the link reset that the N_Port asked for once the accept was in.
    for (int s : {0, 1}) {
        const auto ups = switchFc4(s).ofKind(PORT_UP);
        ASSERT_EQ(ups.size(), 2u) << s;
        EXPECT_LT(ups[0]->time, 1e-5);
        EXPECT_NEAR(ups[1]->time - (s == 0 ? hostLogin : targetLogin), 0.005, 1e-4) << s;
        EXPECT_EQ(switchPort(s)->par("portMode").longValue(), F_PORT_MODE);
    }

    // The accept gave each node port the address of its switch port.
    EXPECT_EQ(hostPort()->par("addressId").longValue(), long(HOST_ADDRESS));
    EXPECT_EQ(targetPort()->par("addressId").longValue(), long(TARGET_ADDRESS));
    const auto lines = readLines("out/NxPortMap.txt");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6].substr(0, 35), "1      Target       328193         ");
    EXPECT_EQ(lines[7].substr(0, 35), "2      Initiator    328192         ");

    // A switch port asks a node port for no link parameters; it takes the
    // credit from the login and its own time-outs.
    for (int s : {0, 1}) {
        for (const auto* seq : switchFc2(s).ofKind(FC_SEQ_PAYLOAD))
            EXPECT_NE(seq->type, TYPE_SW_ILS) << s;
        EXPECT_EQ(switchPort(s)->par("currBbCredit").longValue(), 8) << s;
        EXPECT_EQ(switchPort(s)->par("currEdTov").longValue(), 2000) << s;
        EXPECT_EQ(switchPort(s)->par("currRaTov").longValue(), 10000) << s;
    }

    // After the reset the switch port reported the logged-in N_Port.
    const auto ups = centre().toCentre(F_PORT_UP);
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[1].port, 0);
    EXPECT_EQ(ups[1]->portId, long(HOST_ADDRESS));
    EXPECT_TRUE(centre().toCentre(E_PORT_UP).empty());
    for (const char* flag : {"flogiDone", "flogiLrDone", "nsRegDone"})
        EXPECT_TRUE(hostFc4()->par(flag).boolValue()) << flag;
}

TEST_F(FabricBringUp, TheInitiatorRegistersWithTheNameServerAndQueriesEveryPortListed)
{
    build();
    ASSERT_EQ(run(), "");

    // RFF_ID, GID_FT and a GFF_ID per listed port, in that order, all from
    // the host's switch port after its link reset.
    std::vector<CentreProbe::Seen> host;
    for (int kind : {GOT_RFF_ID, GOT_GID_FT, GOT_GFF_ID})
        for (const auto& q : centre().toCentre(kind))
            if (q.port == 0)
                host.push_back(q);
    std::stable_sort(host.begin(), host.end(), [](const auto& a, const auto& b) { return a->time < b->time; });
    ASSERT_EQ(host.size(), 4u);
    EXPECT_GT(host[0]->time, switchFc4(0).ofKind(PORT_UP).at(1)->time);
    EXPECT_EQ(host[0]->kind, GOT_RFF_ID);
    EXPECT_EQ(host[0]->portId, long(HOST_ADDRESS));
    EXPECT_EQ(host[1]->kind, GOT_GID_FT);
    EXPECT_EQ(host[2]->kind, GOT_GFF_ID);
    EXPECT_EQ(host[3]->kind, GOT_GFF_ID);
    // In the order of the list: the target, then the host itself.
    EXPECT_EQ(host[2]->portId, long(TARGET_ADDRESS));
    EXPECT_EQ(host[3]->portId, long(HOST_ADDRESS));
    for (size_t i = 1; i < host.size(); ++i)
        EXPECT_GT(host[i]->time, host[i - 1]->time);

    // The centre answers each query one name-server task (10 us on the
    // switch's processor) after it came in; the host's list holds both
    // ports, the target's only itself, and every feature query is accepted.
    const auto lists = centre().fromCentre(ACC_GID_FT);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[1].port, 0);
    EXPECT_EQ(lists[1]->entryNum, 2);
    EXPECT_NEAR(lists[1]->time - host[1]->time, 10e-6, 1e-9);
    EXPECT_EQ(lists[0].port, 1);
    EXPECT_EQ(lists[0]->entryNum, 1);
    EXPECT_TRUE(centre().fromCentre(RJT_GFF_ID).empty());
    EXPECT_EQ(centre().fromCentre(ACC_GFF_ID).size(), 4u);

    // The target, registered first, was told of the initiator by RSCN and
    // asked for its feature in turn.
    const auto rscn = centre().fromCentre(ISSUE_RSCN);
    ASSERT_EQ(rscn.size(), 1u);
    EXPECT_EQ(rscn[0].port, 1);
    EXPECT_EQ(rscn[0]->portId, long(HOST_ADDRESS));
    const auto target = centre().toCentre(GOT_GFF_ID);
    EXPECT_TRUE(std::any_of(target.begin(), target.end(),
                            [](const CentreProbe::Seen& q) { return q.port == 1 && q->portId == long(HOST_ADDRESS); }));
}

TEST_F(FabricBringUp, PortLoginToTheTargetFoundOpensAnFcpPathAtTheScsiLayer)
{
    build();
    ASSERT_EQ(run(), "");

    // PLOGI and its accept cross the switch, after the host's last GFF_ID.
    const auto plogi = centre().framesOf(TYPE_ELS, RCTL_ELS_REQUEST);
    const auto accept = centre().framesOf(TYPE_ELS, RCTL_ELS_REPLY);
    ASSERT_EQ(plogi.size(), 1u);
    ASSERT_EQ(accept.size(), 1u);
    EXPECT_EQ(plogi[0]->sId, HOST_ADDRESS);
    EXPECT_EQ(plogi[0]->dId, TARGET_ADDRESS);
    EXPECT_EQ(plogi[0]->to, 1);
    EXPECT_EQ(plogi[0]->from, 0);
    EXPECT_EQ(plogi[0]->hops, std::vector<long>{5}); // the switch's Domain_ID
    EXPECT_EQ(accept[0]->dId, HOST_ADDRESS);
    EXPECT_GT(plogi[0]->time, centre().toCentre(GOT_GFF_ID).back()->time);
    EXPECT_GT(accept[0]->time, plogi[0]->time);

    // Both ends gave the other an exchange pair; the host's FCP engine 0
    // serves it and its SCSI side got the path.
    EXPECT_EQ(hostPort()->moduleByRelativePath("Fc2.EePair[1]")->par("peerAddrId").longValue(), long(TARGET_ADDRESS));
    EXPECT_EQ(targetPort()->moduleByRelativePath("Fc2.EePair[1]")->par("peerAddrId").longValue(), long(HOST_ADDRESS));
    cModule* fcp = hostFc4()->submodule("Fcp", 0);
    EXPECT_EQ(fcp->par("eeIndex").longValue(), 1);
    EXPECT_EQ(fcp->par("maxConCurrIu").longValue(), 8);
    ASSERT_EQ(scsi().paths.size(), 1u);
    const auto& path = scsi().paths[0];
    EXPECT_GT(path.time, accept[0]->time);
    EXPECT_EQ(path.fc4Index, 0);
    EXPECT_EQ(path.fcpIndex, 0);
    EXPECT_EQ(path.iniAddrId, long(HOST_ADDRESS));
    EXPECT_EQ(path.tarAddrId, long(TARGET_ADDRESS));
    EXPECT_EQ(path.recTov, 3000); // the fabric's E_D_TOV + 1 s
    EXPECT_EQ(path.maxSioTry, 3);
    // The path reached the SCSI side through the host's processor, whose
    // FC-4 column shows the bring-up's processing.
    const auto util = readLines("out/cpu/Velmora.Host1.CpuUtil");
    ASSERT_GE(util.size(), 6u);
    EXPECT_EQ(util[5].substr(0, 15), "200.0000       ");
    EXPECT_GT(std::stod(util[5].substr(50, 15)), 0.0); // FC4[0] CPU_T(ms)
}

} // namespace
