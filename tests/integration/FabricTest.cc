// Fabrics of several real switches: the link-state protocol between them,
// the shortest paths and trunks they route frames on, the name service
// across domains and the loss of an inter-switch link.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "device/FileNameString.h"
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
    for (const RoutingEntry& e : c.routing().table().entries())
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
        const auto& port = c.fspf().adjacency(1);
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

std::vector<long> hops_of_data(const CentreProbe& p)
{
    std::vector<long> first;
    const auto data = p.framesOf(TYPE_SCSI_FCP, RCTL_FCP_DATA);
    for (const auto* f : data)
        if (f->hops != data.front()->hops)
            return {};
    return data.empty() ? first : data.front()->hops;
}

TEST_F(Fabric, ThreeSwitchesInALineRouteOverTwoHops)
{
    build(fabric("FabricLine"));
    ASSERT_EQ(run(), "") << errorModule;

    EXPECT_EQ(routes(centre_of(centreOf(1))), (std::vector<std::string>{"1 -1 -1 0", "2 2 1 500", "3 2 1 1000"}));
    EXPECT_EQ(routes(centre_of(centreOf(2))), (std::vector<std::string>{"2 -1 -1 0", "1 1 1 500", "3 3 2 500"}));
    EXPECT_EQ(routes(centre_of(centreOf(3))), (std::vector<std::string>{"3 -1 -1 0", "2 2 1 500", "1 2 1 1000"}));

    // Sw3 knows Sw1's record only through Sw2's flooding: incarnation 1,
    // one link, to Sw2's port 1.
    const LinkStateRecord* far = centre_of(centreOf(3)).routing().records().find(1);
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(far->inst, 1u);
    EXPECT_EQ(far->ldNu, 1);
    EXPECT_EQ(far->adId, 2u);
    ASSERT_TRUE(far->lds[1].valid);
    EXPECT_EQ(far->lds[1].lkId, 2u);
    EXPECT_EQ(far->lds[1].nbId, 1u);
    EXPECT_EQ(centre_of(centreOf(3)).routing().records().count(), 3);

    // The host on Sw1 found the board on Sw3 and read from it; the data
    // crossed Sw3, Sw2 and Sw1 in that order.
    ASSERT_EQ(scsi().paths.size(), 1u);
    EXPECT_EQ(scsi().paths[0].tarAddrId, 0x030100);
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(scsi().completions[0].status, 0);
    EXPECT_EQ(centre().framesOf(TYPE_SCSI_FCP, RCTL_FCP_DATA).size(), 32u);
    EXPECT_EQ(hops_of_data(centre()), (std::vector<long>{3, 2, 1}));
    // Both ends registered in every switch's database.
    for (int s : {1, 2, 3}) {
        int registered = 0;
        for (const NsDbEntry& e : centre_of(centreOf(s)).name_server().entries())
            if (e.used && (e.portId == 0x010100 || e.portId == 0x030100))
                registered += e.fcpFeature == (e.portId == 0x010100 ? 1 : 0) ? 1 : 0;
        EXPECT_EQ(registered, 2) << s;
    }
}

TEST_F(Fabric, OfTwoEqualPathsTheCandidateInTheLowerSlotWins)
{
    // Sw1 to Sw3: 500 + 500 through Sw2 or 1000 over the long link. The
    // direct candidate was listed first, but Sw2's removal freed slot 0 and
    // the path through Sw2 took it.
    build(fabric("FabricTriangle"));
    ASSERT_EQ(run(), "") << errorModule;
    const LinkStateRecord* local = centre_of(centreOf(1)).routing().records().find(1);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->lds[2].cost, 1000u);
    EXPECT_EQ(local->ldNu, 2);
    EXPECT_EQ(routes(centre_of(centreOf(1))), (std::vector<std::string>{"1 -1 -1 0", "2 2 1 500", "3 2 1 1000"}));
    EXPECT_EQ(routes(centre_of(centreOf(3))), (std::vector<std::string>{"3 -1 -1 0", "2 2 1 500", "1 2 1 1000"}));
    EXPECT_EQ(routes(centre_of(centreOf(2))), (std::vector<std::string>{"2 -1 -1 0", "1 1 1 500", "3 3 2 500"}));
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(hops_of_data(centre()), (std::vector<long>{3, 2, 1}));
}

TEST_F(Fabric, ACostAbove65535KeepsSixteenBitsAndMakesTheLongLinkTheCheapest)
{
    // 40000 a link; the long link's 80000 is recorded as 14464.
    build(fabric("FabricTriangle", "Velmora.link_2G_cost = 40000"));
    ASSERT_EQ(run(), "") << errorModule;
    EXPECT_EQ(centre_of(centreOf(1)).routing().records().find(1)->lds[2].cost, 14464u);
    EXPECT_EQ(routes(centre_of(centreOf(1))), (std::vector<std::string>{"1 -1 -1 0", "3 3 2 14464", "2 2 1 40000"}));
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(hops_of_data(centre()), (std::vector<long>{3, 1}));
}

// The routing snapshot written at `ms`: its next-domain, out-port and cost
// lines.
std::vector<std::string> snapshot(int s, const std::string& ms)
{
    const auto lines = readLines("out/swCtrUpd/Velmora.Sw" + std::to_string(s) + ".RtTbl");
    for (size_t i = 0; i + 6 < lines.size(); ++i)
        if (lines[i].rfind("SimTime ---> " + ms + " ms", 0) == 0)
            return {lines[i], lines[i + 2], lines[i + 4], lines[i + 5], lines[i + 6]};
    return {};
}

TEST_F(Fabric, ATrunkOfTwoLinksCarriesEachSequenceOnTheLinkItsFirstFrameChose)
{
    // With maxDomNum 2 the two parallel links give two candidates for one
    // domain; the candidate list takes both.
    Scenario sc = fabric("FabricTwin", "Velmora.maxDomNum = 2");
    sc.plan = {{SCSI_READ, 65536}, {SCSI_READ, 65536}, {SCSI_READ, 65536}};
    sc.spacing = 0;
    build(sc);
    CentreProbe sw2;
    sw2.attach(switchModule(2));
    ASSERT_EQ(run(), "") << errorModule;

    EXPECT_EQ(routes(centre_of(centreOf(1))), (std::vector<std::string>{"1 -1 -1 0", "2 2 1 500"}));
    EXPECT_EQ(routes(centre_of(centreOf(2))), (std::vector<std::string>{"2 -1 -1 0", "1 1 1 500"}));
    const LinkStateRecord* local = centre_of(centreOf(2)).routing().records().find(2);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->ldNu, 2);
    EXPECT_EQ(local->lds[1].lkId, 1u);
    EXPECT_EQ(local->lds[2].lkId, 1u);

    // The three reads' data leave Sw2 in runs of 32 frames, one link per
    // read: the first read on port 1 (equal loads, the lower index), the
    // second, while the first still fills port 1, on port 2, the third on
    // port 1 again.
    std::vector<std::pair<int, int>> runs;
    for (const auto* f : sw2.framesOf(TYPE_SCSI_FCP, RCTL_FCP_DATA)) {
        if (runs.empty() || runs.back().first != f->to)
            runs.push_back({f->to, 0});
        ++runs.back().second;
    }
    EXPECT_EQ(runs, (std::vector<std::pair<int, int>>{{1, 32}, {2, 32}, {1, 32}}));
    ASSERT_EQ(scsi().completions.size(), 3u);
    for (const auto& c : scsi().completions)
        EXPECT_EQ(c.status, 0);
    // Whatever crossed port 2 came back to Sw1 on port 2 and went on to the
    // host.
    int onTwo = 0;
    for (const auto& f : centre().frames())
        onTwo += f.from == 2 ? 1 : 0;
    EXPECT_GE(onTwo, 32);
}

TEST_F(Fabric, ALostLinkIsFloodedAndTheRoutesGoAroundItUntilItComesBack)
{
    Scenario sc = fabric("FabricTriangle");
    sc.linkEventFile = "FabricIslDrop.txt";
    sc.startAt = 1.5;
    build(sc);
    CentreProbe sw3;
    sw3.attach(switchModule(3));
    ASSERT_EQ(run(), "") << errorModule;

    // At 1 s Sw1 loses port 1: one task later its record goes out on the
    // link left, incarnation 3, the one remaining link.
    const auto down = centre().toCentre(DEV_DOWN);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].port, 1);
    std::vector<CentreProbe::Seen> flooded;
    for (const auto& lsu : fspf(centre(), true, "FSPF_LSU"))
        if (lsu->time > 1 && lsu->time < 2)
            flooded.push_back(lsu);
    ASSERT_EQ(flooded.size(), 1u);
    EXPECT_NEAR(flooded[0]->time, down[0]->time + TASK, 1e-12);
    EXPECT_EQ(flooded[0].port, 2);
    EXPECT_EQ(flooded[0]->lsuText, "0         1         1         3         1         \n"
                                   "3         2         2         1000      \n");
    // Sw3 took it and passed it on to Sw2.
    bool passedOn = false;
    for (const auto& lsu : fspf(sw3, true, "FSPF_LSU"))
        passedOn |= lsu->time > 1 && lsu->time < 2 && lsu.port == 1 &&
                    lsu->lsuText.rfind("0         1         3         3         1         \n", 0) == 0;
    EXPECT_TRUE(passedOn);

    // In the meantime Sw1 reaches Sw2 through Sw3, and the read took the
    // long link.
    EXPECT_EQ(
        snapshot(1, "1500.000"),
        (std::vector<std::string>{"SimTime ---> 1500.000 ms ... 3 entries found ...",
                                  "DestDom -->    1      3      2      ", "NextDom      : -      3      3      ",
                                  "OutPort      : -      2      2      ", "PathCost     : 0      1000   1500   "}));
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(scsi().completions[0].status, 0);
    EXPECT_EQ(hops_of_data(centre()), (std::vector<long>{3, 1}));

    // Back at 2 s, the short paths return.
    EXPECT_EQ(routes(centre_of(centreOf(1))), (std::vector<std::string>{"1 -1 -1 0", "2 2 1 500", "3 2 1 1000"}));
    const auto& port = centre_of(centreOf(1)).fspf().adjacency(1);
    EXPECT_TRUE(port.twoWay && port.adjacent);
    EXPECT_EQ(centre_of(centreOf(1)).routing().records().find(1)->inst, 4u);
    EXPECT_EQ(centre_of(centreOf(1)).routing().records().find(1)->ldNu, 2);
}

TEST_F(Fabric, ADomainLostDropsItsPortsAndTheyComeBackWithTheLink)
{
    Scenario sc = fabric("FabricPair");
    sc.linkEventFile = "FabricPairDrop.txt";
    sc.startAt = 2.5;
    build(sc);
    ASSERT_EQ(run(), "") << errorModule;

    // Sw1 alone: the board's port is dropped and the host is told, one task
    // after the loss.
    const auto down = centre().toCentre(DEV_DOWN);
    ASSERT_EQ(down.size(), 1u);
    const auto told = centre().fromCentre(ISSUE_RSCN);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NEAR(told[0]->time, down[0]->time + TASK, 1e-12);
    EXPECT_EQ(told[0].port, 0);
    EXPECT_EQ(told[0]->portId, 0x020100);
    EXPECT_EQ(snapshot(1, "1500.000"),
              (std::vector<std::string>{"SimTime ---> 1500.000 ms ... 1 entries found ...", "DestDom -->    1      ",
                                        "NextDom      : -      ", "OutPort      : -      ", "PathCost     : 0      "}));
    const auto& port = centre_of(centreOf(1)).fspf().adjacency(1);

    // With the link back, domain 2 is new again: Sw1 asks for its port
    // list, then for the board's features, registers it anew and tells the
    // host, which logs in again and reads.
    const auto asks = centre().fromCentre(REQ_GID_FT);
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_GT(asks[1]->time, 2.0);
    EXPECT_EQ(asks[1]->destDom, 2);
    const auto features = centre().fromCentre(REQ_GFF_ID);
    ASSERT_EQ(features.size(), 2u);
    EXPECT_GT(features[1]->time, asks[1]->time);
    EXPECT_EQ(features[1]->portId, 0x020100);
    EXPECT_GT(told[1]->time, features[1]->time);
    EXPECT_EQ(told[1]->portId, 0x020100);
    ASSERT_EQ(scsi().paths.size(), 2u);
    EXPECT_GT(scsi().paths[1].time, told[1]->time);
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(scsi().completions[0].status, 0);
    EXPECT_TRUE(port.twoWay && port.adjacent);
    int registered = 0;
    for (const NsDbEntry& e : centre_of(centreOf(1)).name_server().entries())
        registered += e.used && e.portId == 0x020100 && e.fcpFeature == 0 ? 1 : 0;
    EXPECT_EQ(registered, 1);
}

cMessage* sw_rscn_online(long portId)
{
    auto* packet = new SwIlsPacket("SW_ILS_SW_RSCN", TYPE_SW_ILS);
    packet->setCmdCode(0x1B);
    packet->setPortOnline(true);
    packet->setPortId(static_cast<unsigned long>(portId));
    auto* got = new cMessage("GOT_SW_RSCN", GOT_SW_RSCN, 0);
    got->encapsulate(packet);
    return got;
}

TEST_F(Fabric, AStateChangeBetweenTheNeighboursAdjacencyAndOursIsAnsweredFromTheHello)
{
    // Sw1 has Sw2's database (processed at 0.045157864) but not yet Sw2's
    // acknowledgement (due 0.045182278): its own link is not yet valid.
    build(fabric("FabricPair"));
    centre().sendToCentre(1, 0.04516, sw_rscn_online(0x020177));
    ASSERT_EQ(run(), "") << errorModule;
    const auto asked = centre().fromCentre(REQ_GFF_ID);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0]->portId, 0x020177);
    EXPECT_EQ(asked[0]->destDom, 2);
    // It waited behind the peer's last Hello, which came just before it.
    const auto hellos = fspf(centre(), false, "FSPF_HELLO");
    ASSERT_EQ(hellos.size(), 3u);
    EXPECT_NEAR(asked[0]->time, hellos[2]->time + 2 * TASK, 1e-12);
    const auto adjacency = fspf(centre(), true, "FSPF_LSU");
    ASSERT_EQ(adjacency.size(), 2u);
    EXPECT_LT(asked[0]->time, adjacency[1]->time);
    ASSERT_EQ(scsi().completions.size(), 1u);
}

TEST_F(Fabric, ARecordFileWithALinkBeyondTheLastPortEndsTheRun)
{
    build(fabric("FabricPair", "Velmora.maxSwPortNum = 3"));
    writeFile("out/Forged.tmp", "0         9         9         1         1         \n"
                                "1         7         0         500       \n");
    auto* lsu = new FspfPacket("FSPF_LSU", 76);
    lsu->setCmdCode(0x15);
    lsu->setLsrNum(1);
    lsu->setLsuFileNamePtr(new_file_name_string("out/Forged.tmp"));
    centre().sendToCentre(1, 0.01, lsu);
    EXPECT_EQ(run(), "---> proc_an_lsu : link descriptor OuId 7 must be below maxSwPortNum 3. Please check the file "
                     "\"out/Forged.tmp\"");
    EXPECT_EQ(errorModule, "Velmora.Sw1.SwCtrlCtr");
}

cMessage* forged_lsu(const std::string& path, const std::string& text)
{
    writeFile(path, text);
    auto* lsu = new FspfPacket("FSPF_LSU", 76);
    lsu->setCmdCode(0x15);
    lsu->setLsrNum(1);
    lsu->setLsuFileNamePtr(new_file_name_string(path));
    return lsu;
}

TEST_F(Fabric, AnOlderRecordIsNotAcknowledgedAnEqualOneIsAndANewerOneReplacesTheStoredOne)
{
    // Sw2's record stands at Sw1 with incarnation 1 once the pair is
    // adjacent.
    build(fabric("FabricPair"));
    const std::string header = "0         2         2         ";
    const std::string link = "1         1         1         500       \n";
    centre().sendToCentre(1, 0.2, forged_lsu("out/Older.tmp", header + "0         1         \n" + link));
    centre().sendToCentre(1, 0.21, forged_lsu("out/Equal.tmp", header + "1         1         \n" + link));
    centre().sendToCentre(1, 0.22, forged_lsu("out/Newer.tmp", header + "5         0         \n"));
    ASSERT_EQ(run(), "") << errorModule;

    std::vector<double> answered;
    for (const auto& lsa : fspf(centre(), true, "FSPF_LSA"))
        if (lsa->time > 0.1)
            answered.push_back(lsa->time);
    EXPECT_EQ(answered.size(), 2u);
    if (answered.size() == 2u) {
        EXPECT_NEAR(answered[0], 0.21 + TASK, 1e-12);
        EXPECT_NEAR(answered[1], 0.22 + TASK, 1e-12);
    }
    for (const char* f : {"out/Older.tmp", "out/Equal.tmp", "out/Newer.tmp"})
        EXPECT_FALSE(std::filesystem::exists(f)) << f;
    const LinkStateRecord* stored = centre_of(centreOf(1)).routing().records().find(2);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->inst, 5u);
    EXPECT_EQ(stored->ldNu, 0);
    EXPECT_FALSE(stored->lds[1].valid);
    // The route to the neighbour comes from Sw1's own link, so it stands.
    EXPECT_EQ(routes(centre_of(centreOf(1))), (std::vector<std::string>{"1 -1 -1 0", "2 2 1 500"}));
    ASSERT_EQ(scsi().completions.size(), 1u);
    EXPECT_EQ(scsi().completions[0].status, 0);
}

} // namespace
