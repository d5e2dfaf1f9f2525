// Fabrics of several real switches: the link-state protocol between them,
// the shortest paths and trunks they route frames on, the name service
// across domains and the loss of an inter-switch link.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fc4/FcCodes.h"
#include "messages/MsgKinds.h"
#include "switch/SwitchConstruct.h"
#include "tests/integration/SanBedTest.h"

namespace {

using Fabric = SanBedTest;

Scenario fabric(const char* network, const std::string& settings = "")
{
    Scenario s;
    s.network = network;
    s.plan = {{SCSI_READ, 65536}};
    s.startAt = 0.3;
    s.settings = settings;
    return s;
}

constexpr unsigned long ALL_ONES = 0xFFFFFFFF;
constexpr double TASK = 10e-6; // a routing or name-server task of the switch processor

const SwitchConstruct& centre_of(cModule* mod)
{
    return *static_cast<const SwitchConstruct*>(mod);
}

// The routing table's entries in use, as "dest next port cost".
std::vector<std::string> routes(const SwitchConstruct& c)
{
    std::vector<std::string> out;
    for (const RoutingEntry& e : c.routing_table().entries())
        if (e.valid)
            out.push_back(std::to_string(e.dest) + " " + std::to_string(e.next) + " " + std::to_string(e.ouId) + " " +
                          std::to_string(e.cost));
    return out;
}

std::vector<CentreProbe::Seen> fspf(const CentreProbe& p, bool fromCentre, const std::string& name)
{
    std::vector<CentreProbe::Seen> out;
    for (const auto& s : fromCentre ? p.fromCentre(76) : p.toCentre(76))
        if (s->name == name)
            out.push_back(s);
    return out;
}

TEST_F(Fabric, TwoSwitchesBecomeAdjacentAndCarryAReadBetweenThem)
{
    build(fabric("FabricPair"));
    CentreProbe sw2;
    sw2.attach(switchModule(2));
    ASSERT_EQ(run(), "") << errorModule;
    const CentreProbe* probes[] = {&centre(), &sw2};

    for (int s : {1, 2}) {
        const CentreProbe& p = *probes[s - 1];
        const unsigned long own = static_cast<unsigned long>(s), peer = static_cast<unsigned long>(3 - s);
        // The first Hello 0.02 s after the link came up, to nobody yet; the
        // answer to the peer's Hello one task after it arrived, naming the
        // peer; once the peer named us, one more Hello and the database.
        const auto up = p.toCentre(E_PORT_UP);
        ASSERT_EQ(up.size(), 1u);
        EXPECT_EQ(up[0].port, 1);
        const auto hellos = fspf(p, true, "FSPF_HELLO");
        const auto heard = fspf(p, false, "FSPF_HELLO");
        ASSERT_EQ(hellos.size(), 3u) << s;
        ASSERT_EQ(heard.size(), 3u) << s;
        EXPECT_NEAR(hellos[0]->time, up[0]->time + 0.02, 1e-12) << s;
        EXPECT_EQ(hellos[0]->dId, ALL_ONES);
        EXPECT_EQ(hellos[0]->sId, own);
        EXPECT_EQ(hellos[0]->origPortIndex, 1u);
        EXPECT_EQ(hellos[0]->payLen, 40u);
        EXPECT_NEAR(hellos[1]->time, heard[0]->time + TASK, 1e-12) << s;
        EXPECT_EQ(hellos[1]->dId, peer);
        EXPECT_NEAR(hellos[2]->time, heard[1]->time + TASK, 1e-12) << s;
        EXPECT_EQ(hellos[2]->dId, peer);

        // The database goes with that Hello: one record, the own, with no
        // valid link yet; the peer acknowledges it one task after it came.
        // Adjacency floods the record again, now with incarnation 1 and its
        // link of cost 500 (a 2G link, cost factor 1) to the peer's port 1.
        const auto lsus = fspf(p, true, "FSPF_LSU");
        ASSERT_EQ(lsus.size(), 2u) << s;
        EXPECT_DOUBLE_EQ(lsus[0]->time, hellos[2]->time);
        EXPECT_EQ(lsus[0]->entryNum, 1);
        EXPECT_EQ(lsus[0]->payLen, 56u);
        const std::string o = std::to_string(s) + "         ", n = std::to_string(3 - s) + "         ";
        EXPECT_EQ(lsus[0]->lsuText, "0         " + o + o + "0         0         \n");
        EXPECT_EQ(lsus[1]->payLen, 72u);
        EXPECT_EQ(lsus[1]->lsuText,
                  "0         " + o + o + "1         1         \n" + n + "1         1         500       \n");
        const auto acks = fspf(p, true, "FSPF_LSA");
        const auto gotLsus = fspf(p, false, "FSPF_LSU");
        ASSERT_EQ(acks.size(), 2u);
        ASSERT_EQ(gotLsus.size(), 2u);
        for (int k : {0, 1}) {
            EXPECT_NEAR(acks[k]->time, gotLsus[k]->time + TASK, 1e-12) << s;
            EXPECT_EQ(acks[k]->payLen, 52u);
            EXPECT_EQ(acks[k]->entryNum, 1);
        }
        // Adjacency is reached when the peer's LSA is processed, and the
        // first route beyond the own domain makes the switch ask the peer
        // for its port list.
        const auto gotAcks = fspf(p, false, "FSPF_LSA");
        ASSERT_EQ(gotAcks.size(), 2u);
        EXPECT_NEAR(lsus[1]->time, gotAcks[0]->time + TASK, 1e-12) << s;
        const auto asks = p.fromCentre(REQ_GID_FT);
        ASSERT_EQ(asks.size(), 1u);
        EXPECT_EQ(asks[0].port, 1);
        EXPECT_EQ(asks[0]->destDom, long(peer));
        EXPECT_DOUBLE_EQ(asks[0]->time, lsus[1]->time);
        ASSERT_EQ(p.toCentre(RECV_PID_LIST).size(), 1u);

        // Every record file was gone by the end, each used once.
        for (const auto& lsu : lsus)
            EXPECT_FALSE(std::filesystem::exists(lsu->lsuFileName)) << lsu->lsuFileName;

        const SwitchConstruct& c = centre_of(centreOf(s));
        const auto& port = c.port_states()[1];
        EXPECT_TRUE(port.twoWay && port.adjacent);
        EXPECT_EQ(port.neighbourDomain, peer);
        EXPECT_EQ(routes(c), (std::vector<std::string>{o.substr(0, 1) + " -1 -1 0",
                                                       n.substr(0, 1) + " " + n.substr(0, 1) + " 1 500"}));
    }
    std::vector<std::string> names;
    for (const CentreProbe* p : probes)
        for (const auto& lsu : fspf(*p, true, "FSPF_LSU"))
            names.push_back(lsu->lsuFileName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out/Lsu30000.tmp", "out/Lsu30001.tmp", "out/Lsu30002.tmp",
                                               "out/Lsu30003.tmp"}));

    // Each switch told the other of its N_Port's registration; the other
    // asked the switch that told it for the port's features.
    const auto told = sw2.fromCentre(ISSUE_SW_RSCN);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0]->portId, 0x020100);
    const auto asked = centre().fromCentre(REQ_GFF_ID);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0]->portId, 0x020100);
    EXPECT_EQ(asked[0]->destDom, 2);

    // The host found the board across the two switches and read from it:
    // the command went out through port 1 of Sw1 marked by domain 1, the
    // data came back through both.
    ASSERT_EQ(scsi().paths.size(), 1u);
    EXPECT_EQ(scsi().paths[0].tarAddrId, 0x020100);
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(scsi().completions[0].status, 0);
    const auto data = centre().framesOf(TYPE_SCSI_FCP, RCTL_FCP_DATA);
    ASSERT_EQ(data.size(), 32u);
    for (const auto* f : data) {
        EXPECT_EQ(f->from, 1);
        EXPECT_EQ(f->to, 0);
        EXPECT_EQ(f->hops, (std::vector<long>{2, 1}));
        EXPECT_EQ(f->payLen, 2048u);
    }
    const auto commands = centre().framesOf(TYPE_SCSI_FCP, RCTL_FCP_CMND);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back()->to, 1);
    EXPECT_EQ(commands.back()->hops, std::vector<long>{1});
    EXPECT_EQ(sw2.fromCentre(FC_FRAME_TAIL).size(), sw2.toCentre(REQ_FRM_FWD).size());
}

} // namespace
