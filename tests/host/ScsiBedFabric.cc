#include "tests/host/ScsiBedFabric.h"

#include "sim/Sim.h"
#include "tests/shared/TestProcessor.h"

const char* fabric_switch_type()
{
    return "StandInFcSwitch";
}

const char* target_storage_type()
{
    return "SanBedStorage";
}

std::string fabric_switch_conf(int ports)
{
    std::string text = "[1]\nDomainId RA_TOV ED_TOV CpuModel\n5 10000 2000 SwCpu\n[2]\n"
                       "SwPortIdx AreaId portSpeed R_T_TOV B_Port RxBuf TxBuf Reserved FcCtrl\n";
    for (int p = 0; p < ports; ++p)
        text += std::to_string(p) + " 2 2 100 n 8 2 0 FcCtrlS\n";
    return text;
}

std::string fabric_switch_ini(const std::string& path, const std::string& confFile, int ports)
{
    return path + ".confFile = \"" + confFile + "\"\n" + path + ".swPortNum = " + std::to_string(ports) + "\n";
}

TestProcessor& target_board_cpu(cModule* storage, int chip)
{
    return *static_cast<TestProcessor*>(storage->submodule("Chip", chip)->submodule("ChipCpu"));
}
