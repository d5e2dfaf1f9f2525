#include "fcport/NxPortMap.h"
#include "tests/shared/DeviceFixture.h"

namespace {

class NxPortMapTest : public DeviceTest {
  protected:
    // A node port whose transmitter's link reaches the receiver of `peer`.
    cModule* linkedPort(const char* device, cModule* peer, bool initiator)
    {
        cModule* nx = compound("NxPort", compound(device, root), 0, 1);
        nx->addPar("fcpIni").setBoolValue(initiator);
        cModule* tx = compound("Tx", compound("Fc1", nx));
        tx->addGate("link_out", 'O');
        if (peer) {
            cModule* rx = compound("Rx", compound("Fc1", peer));
            rx->addGate("link_in", 'I');
            tx->gate("link_out")->connectTo(rx->gate("link_in"));
        }
        return nx;
    }
};

TEST_F(NxPortMapTest, NxPortMapNumbersRowsAndNamesBothEndsOfTheLink)
{
    cModule* swPort = compound("SwPort", compound("Switch", root), 2, 4);
    cModule* ini = linkedPort("Host", swPort, true);
    cModule* tar = linkedPort("Array", swPort, false);
    write_nx_port_map_row(ini, ini, 0x010200);
    write_nx_port_map_row(tar, tar, 0xEFFFFF);
    const std::string banner(59, '=');
    EXPECT_EQ(readFile("NxPortMap.txt"),
              banner + "\n*** Only connected NxPorts will be assigned AddressId ! ***\n" + banner + "\n\n" +
                  col("Cnt", 7) + col("Feature", 13) + col("AddrId", 15) + col("NxPortFullPath", 55) +
                  col("FPortFullPath", 45) + "\n" + std::string(135, '-') + "\n" + col("1", 7) + col("Initiator", 13) +
                  col("66048", 15) + col("Velmora.Host.NxPort[0]", 55) + col("Velmora.Switch.SwPort[2]", 45) + "\n" +
                  col("2", 7) + col("Target", 13) + col("15728639", 15) + col("Velmora.Array.NxPort[0]", 55) +
                  col("Velmora.Switch.SwPort[2]", 45) + "\n");
    EXPECT_EQ(root->par("actvNxPortNum").longValue(), 2);
    cModule* lone = linkedPort("Lone", nullptr, true);
    EXPECT_EQ(far_end_port(lone), nullptr);
    EXPECT_EQ(far_end_port(ini), swPort);
}

} // namespace
