#include <algorithm>

#include "messages/MsgSubclass_m.h"
#include "tests/shared/HostFixture.h"

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

} // namespace
