#include "network/NetworkTestBed.h"

#include "network/CompoundBuilder.h"
#include "network/RootModule.h"
#include "network/RunLog.h"
#include "network/SiteLayout.h"

namespace {

const char* const S = "S";
const char* const B = "B";
const char* const N = "LDXFT";
constexpr RootParamDecl::Start IN = RootParamDecl::INPUT;
constexpr RootParamDecl::Start FB = RootParamDecl::FIRST_BOOL;
constexpr RootParamDecl::Start FL = RootParamDecl::FIRST_LONG;

const std::vector<RootParamDecl> params = {
    // Files and directories.
    {"linkEventFile", S, IN, 0},
    {"zoneSetFile", S, IN, 0},
    {"progDataDir", S, IN, 0},
    {"ioGenDir", S, IN, 0},
    {"ioRespDir", S, IN, 0},
    {"actvPathDir", S, IN, 0},
    {"ctrlMemDir", S, IN, 0},
    {"diskDrvDir", S, IN, 0},
    {"lunConfDir", S, IN, 0},
    {"busUtilDir", S, IN, 0},
    {"portThruDir", S, IN, 0},
    {"cpuUtilDir", S, IN, 0},
    {"finishDir", S, IN, 0},
    {"pathTblDir", S, IN, 0},
    {"ioOpenDir", S, IN, 0},
    {"fc2EeStatDir", S, IN, 0},
    {"swTrafficDir", S, IN, 0},
    {"swCtrUpdDir", S, IN, 0},
    {"swTimingDir", S, IN, 0},
    {"nxPortMapFile", S, IN, 0},
    {"zoneSetConfFile", S, IN, 0},
    {"linkEvConfFile", S, IN, 0},
    {"warningsFile", S, IN, 0},
    {"ioFailFile", S, IN, 0},
    {"timingFile", S, IN, 0},
    // Statistics periods (ms).
    {"ioGenTimeScale", N, IN, 0},
    {"cpuUtilTimeScale", N, IN, 0},
    {"busUtilTimeScale", N, IN, 0},
    {"cchUtilTimeScale", N, IN, 0},
    {"ioOpenTimeScale", N, IN, 0},
    {"eeStatTimeScale", N, IN, 0},
    {"dskStatTimeScale", N, IN, 0},
    {"swStatTimeScale", N, IN, 0},
    {"swCtrUpdTimeScale", N, IN, 0},
    // Flags; a first-writer flag starts true.
    {"rootFlag", B, FB, 1},
    {"scsiIniFinishFileNew", B, FB, 1},
    {"ctrlMemFinishFileNew", B, FB, 1},
    {"globalLunsFileNew", B, FB, 1},
    {"lunIoFinishFileNew", B, FB, 1},
    {"dskStatFinishFileNew", B, FB, 1},
    {"nxPortMapNew", B, FB, 1},
    {"linkEvConfFileNew", B, FB, 1},
    {"warnFileNew", B, FB, 1},
    {"ioFailFileNew", B, FB, 1},
    {"timingFileNew", B, FB, 1},
    {"tmpFilesDeleted", B, FB, 0},
    {"skipScsiIo", B, IN, 0},
    {"netIoToGenFlag", B, FB, 0},
    {"ioDone", B, FB, 0},
    {"evDone", B, FB, 0},
    {"simDone", B, FB, 0},
    {"writePhySecMap", B, IN, 0},
    {"writeLogSecMap", B, IN, 0},
    // Limits, counters, costs and distances, interleaved as declared.
    {"maxLinkEv", N, IN, 0},
    {"minEvInt", N, IN, 0},
    {"defConCurrSeq", N, IN, 0},
    {"trunkId", N, FL, 0},
    {"maxIoGen", N, IN, 0},
    {"netIoToGen", N, FL, 1}, // cannot read 0 before any I/O table is active
    {"netIoNum", N, FL, 0},
    {"netIoComp", N, FL, 0},
    {"rawIoNum", N, FL, 0},
    {"lastEvTime", N, FL, 0},
    {"lastEvModId", N, FL, -1},
    {"evEndDelay", N, IN, 0},
    {"evEndMsgDone", B, FB, 0},
    {"nsDbOutCol", N, IN, 0},
    {"actvNxPortNum", N, FL, 0},
    {"realNxPortNum", N, FL, 0},
    {"light_speed", N, IN, 0},
    {"link_1G_cost", N, IN, 0},
    {"link_2G_cost", N, IN, 0},
    {"s_fact_km", N, IN, 0},
    {"hostNum", N, FL, 0},
    {"frmGid", N, FL, 0},
    {"equipId", N, FL, 0},
    {"iniEqName", N, FL, 100000},
    {"maxDomNum", N, IN, 0},
    {"realDomNum", N, FL, 0},
    {"maxSwPortNum", N, IN, 0},
    {"maxNsDbEntry", N, IN, 0},
    {"lunListFileId", N, FL, 10000},
    {"lunWwnFileId", N, FL, 20000},
    {"lsuFileId", N, FL, 30000},
    {"gidFtFileId", N, FL, 50000},
    {"ioId", N, FL, 0},
    {"gbIoId", N, FL, 0},
    {"fc4MemAddr", N, FL, 0},
    {"fc4IuIndex", N, FL, 0},
    {"maxZoneMem", N, IN, 0},
    {"maxZoneNum", N, IN, 0},
    {"warningsCnt", N, FL, 0},
    {"ioFailCnt", N, FL, 0},
    {"distC1C2", N, IN, 0},
    {"distC2C3", N, IN, 0},
    {"distC1C3", N, IN, 0},
};

const std::vector<sDescrItem>& interface_items()
{
    static const std::vector<sDescrItem> items = [] {
        std::vector<sDescrItem> v;
        v.push_back({'M', "default", nullptr, 0});
        for (const RootParamDecl& p : params)
            v.push_back({'P', p.name, p.types, 0});
        v.push_back({'E', nullptr, nullptr, 0});
        return v;
    }();
    return items;
}

Expr inter_site_delay(const char* distance)
{
    return Expr::par(distance) / Expr::par("light_speed");
}

const char* const interSiteColour = "o=#ff8080";

struct SitePlace {
    TestBedSite site;
    const char* type;
    const char* displayString;
};

const std::vector<SitePlace>& site_places()
{
    static const std::vector<SitePlace> places = {
        {{"DataCtr1", &data_centre1_table()}, "DataCentre1", "b=50,50;p=100,100;i=city"},
        {{"DataCtr2", &data_centre2_table()}, "DataCentre2", "b=50,50;p=290,100;i=city"},
        {{"DataCtr3", &data_centre3_table()}, "DataCentre3", "b=50,50;p=195,220;i=city"},
    };
    return places;
}

std::vector<SubmoduleDescription> site_submodules()
{
    std::vector<SubmoduleDescription> sites;
    for (const SitePlace& p : site_places())
        sites.push_back({p.site.name, p.type, {}, {}, {{"link_in", 8}, {"link_out", 8}}, p.displayString});
    return sites;
}

const CompoundDescription testBedDesc = {
    site_submodules(),
    cables({
        {"DataCtr1", 0, "DataCtr2", 0, interSiteColour, inter_site_delay("distC1C2")},
        {"DataCtr1", 1, "DataCtr3", 0, interSiteColour, inter_site_delay("distC1C3")},
        {"DataCtr1", 2, "DataCtr3", 1, interSiteColour, inter_site_delay("distC1C3")},
        {"DataCtr2", 1, "DataCtr3", 2, interSiteColour, inter_site_delay("distC2C3")},
        {"DataCtr2", 2, "DataCtr3", 3, interSiteColour, inter_site_delay("distC2C3")},
    }),
    "p=10,10;b=366,320;o=#ffffff",
    false,
};

} // namespace

const std::vector<RootParamDecl>& root_parameters()
{
    return params;
}

const std::vector<TestBedSite>& test_bed_sites()
{
    static const std::vector<TestBedSite> sites = [] {
        std::vector<TestBedSite> v;
        for (const SitePlace& p : site_places())
            v.push_back(p.site);
        return v;
    }();
    return sites;
}

void NetworkTestBed::take_run_folder()
{
    folderLock_.reset();
    std::vector<RunFolderLock::Output> logs;
    for (const char* log : RUN_LOG_SETTINGS)
        logs.push_back({log, par(log).stringValue()});
    folderLock_ = RunFolderLock::take(par("progDataDir").stringValue(), logs);
}

void NetworkTestBed::add_initiator_totals(const InitiatorTotals& ios)
{
    initiatorTotals_.requested += ios.requested;
    initiatorTotals_.completed += ios.completed;
    initiatorTotals_.aborted += ios.aborted;
}

cModule::RunSummary NetworkTestBed::runSummary()
{
    RunLogRows logs;
    const RunLog& log = RunLog::of_run();
    logs.rows = log.rows();
    logs.warnings = log.warnings();
    logs.warningsFile = par("warningsFile").stringValue();
    logs.ioFails = par("ioFailCnt").longValue();
    logs.ioFailFile = par("ioFailFile").stringValue();
    RunSummary summary;
    summary.line = closing_line(initiatorTotals_, logs);
    summary.notable = initiatorTotals_.aborted > 0 || logs.warnings > 0 || logs.ioFails > 0;
    return summary;
}

void NetworkTestBed::abandonRun()
{
    remove_temporary_files(this);
}

void NetworkTestBed::doBuildInside()
{
    // A negative distance would make a channel deliver into the past.
    for (const char* distance : {"distC1C2", "distC2C3", "distC1C3"})
        if (par(distance).doubleValue() < 0)
            error("---> Wrong %s setup. Must >= 0km. Please check the file \"omnetpp.ini\"", distance);
    build_compound(this, testBedDesc);
}

Define_Module_Interface(NetworkTestBed, interface_items().data());
Define_Compound_Module(NetworkTestBed);
