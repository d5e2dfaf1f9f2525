// The LUN controllers' reader of section "[6]" on any file, read by two
// arrays of six controllers each (LUN 0 and five LUNs): each controller
// takes its row, binds its member disks and publishes its blocks, or stops
// the run with a message. The arrays' disks are of a large model, except on
// a third board: one group without a model and one of tiny disks. The
// second array's large disks are half as large as the first's, so that a
// LUN set up in both differs in size. What a controller accepts is a LUN
// whose blocks all map onto its disks, whose files stay in their folder.

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "tests/fuzz/FuzzBed.h"

namespace {

constexpr int LUNS = 6;
constexpr int BOARDS = 3;
constexpr int GROUPS = 4;
constexpr int DISKS = 4;

// The last board has two groups, one without a model and one of tiny disks.
int groups(int board)
{
    return board == BOARDS - 1 ? 2 : GROUPS;
}

cModule* add_array(cModule* root, const char* name, const std::string& file, double diskGB)
{
    cModule* array = fuzz_module(name, root);
    array->addPar("confFile").setStringValue(file.c_str());
    for (int a = 0; a < BOARDS; ++a) {
        cModule* board = fuzz_module("Acp", array, a, BOARDS);
        for (int g = 0; g < groups(a); ++g) {
            cModule* group = fuzz_module("ArrGrp", board, g, groups(a));
            for (int d = 0; d < DISKS; ++d) {
                cModule* disk = fuzz_module("Disk", group, d, DISKS);
                disk->addPar("inUse").setBoolValue(false);
                if (a == BOARDS - 1 && g == 0)
                    continue; // no model
                disk->addPar("diskCapGB").setDoubleValue(a == BOARDS - 1 ? 1e-4 : diskGB);
            }
        }
    }
    cModule* cmc = fuzz_module("CtrlMemCch", array);
    cmc->addPar("arrLunNum").setLongValue(LUNS);
    cModule* cpu = fuzz_module("CtrlMemCpu", cmc);
    cpu->addPar("cpuClock").setDoubleValue(100);
    cpu->addPar("memClock").setDoubleValue(100);
    for (const char* task : {"SCSI_WR_SEG", "SCSI_RD_SEG", "RMV_LUN_IO", "COM_BLK_WR", "COM_BLK_RD"})
        cpu->addPar(task).setLongValue(0);
    for (int i = 0; i < LUNS; ++i) {
        cModule* lun = findModuleType("LunController")->create("LunCtrl", cmc);
        lun->setIndex(i, LUNS);
        lun->par("inUse").setBoolValue(false);
        lun->par("inUse").setInput(false);
    }
    return array;
}

void set_root_parameters(cModule* root, const std::string& out)
{
    root->addPar("progDataDir").setStringValue((out + "/").c_str());
    root->addPar("lunConfDir").setStringValue("lun/");
    root->addPar("ioOpenDir").setStringValue("ioopen/");
    root->addPar("warningsFile").setStringValue((out + "/Warnings.txt").c_str());
    root->addPar("globalLunsFileNew").setBoolValue(true);
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsCnt").setLongValue(0);
    root->addPar("simDone").setBoolValue(true);
    root->addPar("ioOpenTimeScale").setDoubleValue(10);
}

void check_lun(cModule* lun, const std::string& out)
{
    const long blkKB = lun->par("blkSizeKB").longValue();
    const long stripeKB = lun->par("strDpthKB").longValue();
    const long blocks = lun->par("lunBlkNum").longValue();
    if (blkKB < 4 || blkKB > 64 || (blkKB & (blkKB - 1)) != 0 || stripeKB < blkKB || stripeKB % blkKB != 0)
        fuzz_failure("a block size or stripe depth out of range was accepted");
    if (blocks < 1 || static_cast<unsigned long long>(blocks) > UINT32_MAX || lun->par("maxTarLunIo").longValue() < 1)
        fuzz_failure("a LUN without blocks, with too many, or without I/Os was accepted");
    const std::string wwn = lun->par("lunWwn").stringValue();
    const std::filesystem::path conf =
        out + "/lun/" + lun->parentModule()->parentModule()->fullPath() + "." + wwn + ".LunConf";
    if (wwn.find('/') != std::string::npos || !std::filesystem::exists(conf))
        fuzz_failure("a LUN's configuration file is not in its folder");
}

// Every disk a LUN took holds the LUN's share of blocks.
void check_disks(cModule* array)
{
    for (int a = 0; a < BOARDS; ++a)
        for (int g = 0; g < groups(a); ++g)
            for (int d = 0; d < DISKS; ++d) {
                cModule* disk = array->submodule("Acp", a)->submodule("ArrGrp", g)->submodule("Disk", d);
                if (!disk->hasPar("lunDskBlkNum"))
                    continue;
                const double kb = static_cast<double>(disk->par("lunDskBlkNum").longValue()) *
                                  static_cast<double>(disk->par("blkSizeKB").longValue());
                if (!disk->par("inUse").boolValue() || kb < 1 ||
                    kb > disk->par("diskCapGB").doubleValue() * 1024 * 1024)
                    fuzz_failure("a LUN's share of blocks does not fit its disk");
            }
}

void check_array(cModule* array, const std::string& out)
{
    check_disks(array);
    cModule* cmc = array->submodule("CtrlMemCch");
    std::set<std::string> names;
    for (int i = 1; i < LUNS; ++i) {
        cModule* lun = cmc->submodule("LunCtrl", i);
        if (!lun->par("inUse").boolValue())
            continue;
        check_lun(lun, out);
        if (!names.insert(lun->par("lunWwn").stringValue()).second)
            fuzz_failure("two LUNs of an array carry one name");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = write_input("array.conf", data, size);
    // Each LUN's file is named after it: what one input leaves goes first.
    const std::string out = fuzz_path("out");
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
    cModule* root = new_fuzz_root();
    set_root_parameters(root, out);
    cModule* arrays[] = {add_array(root, "Dev1", file, 36), add_array(root, "Dev2", file, 18)};
    try {
        simulation.callInitialize();
        simulation.run();
        for (cModule* array : arrays)
            check_array(array, out);
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
    return 0;
}
