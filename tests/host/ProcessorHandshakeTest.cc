#include <algorithm>
#include <map>

#include "messages/MsgSubclass_m.h"
#include "tests/host/HostFixture.h"

namespace {

// One ACK_PROC_REQ as its receiver saw it.
struct Grant {
    std::string who;
    double time;
    bool hasAnx;
    bool anx;
};

// A request of a test client: its `fc4Anx` (none when !withAnx) and how long
// the client keeps the processor once granted.
struct Job {
    bool withAnx;
    bool anx;
    double hold;
};

class HandshakeTest : public HostTest {
  protected:
    // A client in place of the SCSI layer or an FC-4 layer: after `start`
    // seconds it sends one REQ_CPU_PROC per job, then answers its k-th
    // ACK_PROC_REQ by holding the processor for job k's time and sending
    // COMP_CPU_PROC.
    LambdaModule* client(const char* name, cModule* parent, int index, double start, std::vector<Job> jobs)
    {
        return addLayer(
            name, parent,
            [this, start, jobs](LambdaModule& m) {
                m.wait(start);
                for (const Job& job : jobs) {
                    auto* req = new cMessage("REQ_CPU_PROC", REQ_CPU_PROC, 0);
                    if (job.withAnx)
                        req->addPar("fc4Anx").setBoolValue(job.anx);
                    m.send(req, "out");
                }
                for (size_t k = 0;; ++k) {
                    cMessage* ack = m.receive();
                    EXPECT_EQ(ack->kind(), ACK_PROC_REQ);
                    EXPECT_STREQ(ack->name(), "ACK_PROC_REQ");
                    EXPECT_EQ(ack->length(), 0);
                    const bool hasAnx = ack->hasPar("fc4Anx");
                    grants.push_back({m.fullName(), m.simTime(), hasAnx, hasAnx && ack->par("fc4Anx").boolValue()});
                    delete ack;
                    m.wait(jobs.at(std::min(k, jobs.size() - 1)).hold);
                    m.send(new cMessage("COMP_CPU_PROC", COMP_CPU_PROC, 0), "out");
                }
            },
            index);
    }

    std::vector<Grant> grants;
};

TEST_F(HandshakeTest, RequestsAreGrantedOnceEachInArrivalOrderWithTheirOwnFc4Anx)
{
    cModule* host = buildHost("Host1", 2);
    cModule* cpu = cpuOf(host);
    // Started, so heard at the same time, in creation order, which is not
    // the order of the process numbers. Fc4[0] asks later, while the
    // processor is held.
    wire(cpu, "to_driver", "from_driver", 1, client("Fc4", host, 1, 0, {{true, true, 0.002}, {true, false, 0}}));
    wire(cpu, "to_scsi", "from_scsi", -1, client("Scsi", host, -1, 0, {{false, false, 0.003}, {false, true, 0.001}}));
    wire(cpu, "to_driver", "from_driver", 0, client("Fc4", host, 0, 0.001, {{true, false, 0.004}}));
    endRunAt(0.05);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // Each grant comes at the COMP_CPU_PROC of the one before.
    const std::vector<Grant> expected = {{"Fc4[1]", 0.0, true, true},
                                         {"Fc4[1]", 0.002, true, false},
                                         {"Scsi", 0.002, false, false},
                                         {"Scsi", 0.005, false, false},
                                         {"Fc4[0]", 0.006, true, false}};
    ASSERT_EQ(grants.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(grants[i].who, expected[i].who) << i;
        EXPECT_NEAR(grants[i].time, expected[i].time, 1e-12) << i;
        EXPECT_EQ(grants[i].hasAnx, expected[i].hasAnx) << i;
        EXPECT_EQ(grants[i].anx, expected[i].anx) << i;
    }
}

TEST_F(HandshakeTest, ProtocolFaultsOfTheClientsStopTheRun)
{
    cModule* host = buildHost("Host1", 1, "host.conf", 2);
    cModule* cpu = cpuOf(host);
    LambdaModule* fc4 = client("Fc4", host, 0, 0, {{false, false, 0}});
    wire(cpu, "to_driver", "from_driver", 0, fc4);
    try {
        runAll();
        ADD_FAILURE() << "the run went on";
    } catch (const cRuntimeError& e) {
        EXPECT_STREQ(e.what(), "ERROR: REQ_CPU_PROC from FC4 should have par fc4Anx!");
        EXPECT_EQ(e.modulePath(), "Velmora.Host1.Cpu");
    }

    // A driver gate beyond the host's ports is no process of the host.
    TearDown();
    SetUp();
    host = buildHost("Host1", 1, "host.conf", 2);
    wire(cpuOf(host), "to_driver", "from_driver", 1, client("Stray", host, 1, 0, {{true, false, 0}}));
    EXPECT_EQ(runError(), "ERROR: ack_proc_req invalid procssId!");
    EXPECT_TRUE(grants.empty());
}

TEST_F(HandshakeTest, AReleaseWhileNoProcessHoldsTheProcessorStopsTheRunNamingTheModule)
{
    cModule* host = buildHost("Host1", 1);
    wire(cpuOf(host), "to_scsi", "from_scsi", -1, addLayer("Scsi", host, [](LambdaModule& m) {
             m.send(new cMessage("REQ_CPU_PROC", REQ_CPU_PROC, 0), "out");
             delete m.receive();
             m.send(new cMessage("COMP_CPU_PROC", COMP_CPU_PROC, 0), "out");
             m.send(new cMessage("COMP_CPU_PROC", COMP_CPU_PROC, 0), "out");
             m.receive();
         }));
    const std::string text = runError();
    EXPECT_EQ(text.rfind("ERROR: COMP_CPU_PROC", 0), 0u) << text;
    EXPECT_NE(text.find("Velmora.Host1.Cpu"), std::string::npos) << text;
}

class RoutingTest : public HostTest {
  protected:
    // The SCSI layer and two FC-4 layers; each sends its outbox at time 0 and
    // records the names of what it receives, in `got`.
    void SetUp() override
    {
        HostTest::SetUp();
        host = buildHost("Host1", 2);
        wire(cpuOf(host), "to_scsi", "from_scsi", -1, layer("Scsi", -1));
        wire(cpuOf(host), "to_driver", "from_driver", 0, layer("Fc4", 0));
        wire(cpuOf(host), "to_driver", "from_driver", 1, layer("Fc4", 1));
        endRunAt(0.001);
    }
    LambdaModule* layer(const char* name, int index)
    {
        return addLayer(
            name, host,
            [this](LambdaModule& self) {
                for (cMessage* msg : outbox[self.fullName()])
                    self.send(msg, "out");
                for (;;) {
                    cMessage* msg = self.receive();
                    EXPECT_EQ(self.simTime(), 0.0);
                    got[self.fullName()].push_back(msg->name());
                    if (auto* cmd = dynamic_cast<SendScsiCmd*>(msg))
                        ioIds.push_back(cmd->getIoId());
                    if (msg->hasPar("tag"))
                        ioIds.push_back(msg->par("tag").longValue());
                    delete msg;
                }
            },
            index);
    }
    static cMessage* tagged(const char* name, int kind, long tag)
    {
        auto* msg = new cMessage(name, kind, 0);
        msg->addPar("tag").setLongValue(tag);
        return msg;
    }

    cModule* host = nullptr;
    std::map<std::string, std::vector<cMessage*>> outbox;
    std::map<std::string, std::vector<std::string>> got;
    std::vector<unsigned long> ioIds;
};

TEST_F(RoutingTest, ScsiPrimitivesGoDownToTheNamedFc4LayerAndPathMessagesUpWhateverTheirArrivalGate)
{
    auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    cmd->setFc4Index(1);
    cmd->setIoId(7);
    auto* conf = new CmdCompConf("CMD_COMP_CONF", CMD_COMP_CONF);
    conf->setFc4Index(0);
    cMessage* abort = tagged("REQ_ABT_SIO", REQ_ABT_SIO, 8);
    abort->addPar("initiator").setLongValue(1);
    auto* sent = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    sent->setFc4Index(0);
    sent->setIoId(9);
    outbox["Scsi"] = {cmd, conf, abort, tagged("DEV_DOWN", DEV_DOWN, 10)};
    outbox["Fc4[0]"] = {tagged("FREE_LUNPT_SIO", FREE_LUNPT_SIO, 11),
                        new CmdCompRecvd("CMD_COMP_RECVD", CMD_COMP_RECVD)};
    // A primitive bound downwards goes by its fc4Index even when a driver sent it.
    outbox["Fc4[1]"] = {tagged("CREATE_IT_PATH", CREATE_IT_PATH, 12),
                        new cMessage("REMOVE_IT_PATH", REMOVE_IT_PATH, 0), sent};
    runAll();
    using Names = std::vector<std::string>;
    EXPECT_EQ(got["Fc4[1]"], (Names{"SEND_SCSI_CMD", "REQ_ABT_SIO"}));
    EXPECT_EQ(got["Fc4[0]"], (Names{"CMD_COMP_CONF", "SEND_SCSI_CMD"}));
    EXPECT_EQ(got["Scsi"], (Names{"DEV_DOWN", "FREE_LUNPT_SIO", "CMD_COMP_RECVD", "CREATE_IT_PATH", "REMOVE_IT_PATH"}));
    // Passed on unchanged: fields and parameters arrive as sent.
    EXPECT_EQ(ioIds, (std::vector<unsigned long>{7, 8, 10, 11, 12, 9}));
    EXPECT_NE(console.str().find("Velmora.Host1.Cpu --> CREATE_IT_PATH\n"), std::string::npos);
}

TEST_F(RoutingTest, AKindTheProcessorDoesNotKnowStopsTheRun)
{
    outbox["Scsi"] = {new cMessage("NEXT_IO", NEXT_IO, 0)};
    EXPECT_EQ(runError(), "ERROR: No idea know how to handle message: NEXT_IO !");
}

} // namespace
