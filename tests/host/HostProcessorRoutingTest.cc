#include <filesystem>
#include <map>

#include "messages/MsgSubclass_m.h"
#include "tests/shared/HostFixture.h"

namespace {

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
    outbox["Fc4[1]"] = {tagged("CREATE_IT_PATH", CREATE_IT_PATH, 12), new cMessage("REMOVE_IT_PATH", REMOVE_IT_PATH, 0),
                        sent};
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

TEST_F(RoutingTest, ARequestOfAnFc4LayerWithoutFc4AnxStopsTheRun)
{
    outbox["Fc4[1]"] = {new cMessage("REQ_CPU_PROC", REQ_CPU_PROC, 0)};
    EXPECT_EQ(runError(), "ERROR: REQ_CPU_PROC from FC4 should have par fc4Anx!");
}

TEST_F(RoutingTest, AUtilisationFileThatCannotBeOpenedStopsTheRunNamingItsPath)
{
    // A directory stands where the file would be.
    std::filesystem::create_directories("out/cpu/Velmora.Host1.CpuUtil");
    EXPECT_EQ(runError(), "ERROR: Couldn't open file out/cpu/Velmora.Host1.CpuUtil!: Is a directory");
}

} // namespace
