#include "device/SettingCatalogue.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

using F = SettingFile;
using T = SettingType;
constexpr double INF = std::numeric_limits<double>::infinity();

// Bounds that several settings share, each with its reason.
constexpr double MAX_CLOCK_MHZ = 100000; // a clock in MHz: 100 GHz is beyond any device
constexpr double MAX_BUS_BITS = 4096;    // bus widths in bits
constexpr double MAX_CREDIT = 65535;     // a login carries its buffer-to-buffer credit in 16 bits
constexpr double MAX_TOV_MS = 3600000;   // a time-out of an hour
// The periods of the statistics rows and of the cache tasks: shorter ones
// would fill a run with rows (a run of seconds would take days).
constexpr double MIN_PERIOD_MS = 0.01;
constexpr double MAX_PERIOD_MS = 1e12;    // about 31 years
constexpr double MAX_OPEN_IO = 1000000;   // the I/Os a processor keeps open at once
constexpr double MAX_TAR_LUN = 4096;      // LUNs kept per target port: each path's LUN table has a row per LUN
constexpr double MAX_PEER_PORT = 1024;    // the pair modules a port makes, one per peer
constexpr double MAX_SEQ_TRY = 1000;      // tries of one sequence
constexpr double MAX_DISTANCE_KM = 40075; // once around the earth
// The workload patterns' distribution parameters: sizes in KB within what a
// 32-bit transfer length spans (each I/O is cut to 1 MB), block numbers
// within the 32 bits a LUN's block number has in the array.
constexpr double MAX_SIZE_KB = 4194304;
constexpr double MAX_LUN_BLOCK = 4294967295;

const char* const CLOCK = "a clock in MHz: at most 100 GHz";
const char* const BUS = "at most 4096 bits";
const char* const CREDIT = "a login carries the credit in 16 bits";
const char* const TOV = "at most an hour";
const char* const PERIOD = "a period of 10 us to about 31 years";
const char* const PART = nullptr; // the reader's own message gives the range
const char* const NOT_GIVEN = "not given";

// The largest value below `bound`: the maximum of a range open at `bound`.
double just_below(double bound)
{
    return std::nextafter(bound, -INF);
}

// The rows of a port section, one per kind of device: `o` is the place of
// the first field after the port's key.
void add_port_rows(std::vector<Setting>& v, F file, int o)
{
    v.push_back({file, "[2]", "portSpeed", o, "", T::LONG, 1, 2, PART, 1, 2});
    v.push_back({file, "[2]", "R_T_TOV", o + 1, "ms", T::DOUBLE, 0.1, 100, PART, 0.1, 100});
    const int buffers = o + 3;
    v.push_back({file, "[2]", "RxBuf", buffers, "", T::INT, 1, MAX_CREDIT, CREDIT, 1, INF, "receiver buffer size"});
    v.push_back(
        {file, "[2]", "TxBuf", buffers + 1, "", T::INT, 0, MAX_CREDIT, CREDIT, 0, INF, "trasmitter buffer size"});
    if (file == F::SWITCH)
        return;
    v.push_back({file, "[2]", "C3Seq", o + 5, "", T::INT, 1, 255, PART, 1, 255, "ConCurrent Sequence"});
    v.push_back({file, "[2]", "MaxSeqTry", o + 6, "", T::INT, 1, MAX_SEQ_TRY, "tries of one sequence", 1});
    v.push_back({file, "[2]", "MaxPeerPort", o + 7, "", T::INT, 1, MAX_PEER_PORT, "one pair module per peer", 1});
}

// A board's section [1] (host) or a chip's row of it (array): `o` as above.
void add_board_rows(std::vector<Setting>& v, F file, int o)
{
    const char* width = file == F::HOST ? "HpcBusWidth" : "CpcBusWidth";
    const char* clock = file == F::HOST ? "HpcBusClock" : "CpcBusClock";
    v.push_back({file, "[1]", width, o, "bit", T::DOUBLE, 1, MAX_BUS_BITS, BUS, 1});
    v.push_back({file, "[1]", clock, o + 1, "MHz", T::DOUBLE, 1, MAX_CLOCK_MHZ, CLOCK, 1});
    v.push_back({file, "[1]", "MaxTarLun", o + 3, "", T::INT, 1, MAX_TAR_LUN, "each path keeps a row per LUN", 1});
    v.push_back({file, "[1]", "MaxRdWrIo", o + 4, "", T::INT, 1, MAX_OPEN_IO, PART, 1, MAX_OPEN_IO});
    v.push_back({file, "[1]", "MaxCtrlIo", o + 5, "", T::INT, 1, MAX_OPEN_IO, PART, 1, MAX_OPEN_IO});
}

std::vector<Setting> make_catalogue()
{
    std::vector<Setting> v;
    // Hosts.
    add_board_rows(v, F::HOST, 0);
    add_port_rows(v, F::HOST, 1);
    v.push_back({F::HOST, "[3]", "IoNum", 1, "", T::LONG, 1, 1e12, PART, 1, 1e12});
    v.push_back(
        {F::HOST, "[3]", "StartTime", 2, "ms", T::DOUBLE, 0, MAX_PERIOD_MS, "about 31 years", 0, INF, "Start Time"});
    v.push_back({F::HOST, "[3.1]", "R/W", 1, "", T::INT, 0, 100, PART, 0, 100, "R/W ratio"});
    // The workload patterns: each draws from one of the 32 generators.
    for (const char* pattern : {"[3.1.1]", "[3.1.2]", "[3.1.3]"})
        v.push_back({F::HOST, pattern, "RNG#", 2, "", T::LONG, 0, 31, PART, 0, 31});
    // A self-similar gap: negative values are read as not given.
    v.push_back({F::HOST, "[3.1.3]", "MinGap", 3, "us", T::DOUBLE, 0, 1e9, "at most 1000 s between a source's I/Os", 0,
                 INF, nullptr, NOT_GIVEN});
    for (auto [name, column] : {std::pair<const char*, int>{"OnShape", 4}, {"OffShape", 5}})
        v.push_back({F::HOST, "[3.1.3]", name, column, "", T::DOUBLE, 0, 100, "a Pareto shape of at most 100", 0, INF,
                     nullptr, NOT_GIVEN});
    v.push_back({F::HOST, "[3.1.3]", "Load", 6, "", T::LONG, 0, 1e9, "at most 1e9 I/Os per second", 0, INF, nullptr,
                 NOT_GIVEN});
    v.push_back({F::HOST, "[3.1.3]", "Srcs", 7, "", T::LONG, 0, 10000,
                 "sources are set up one by one: beyond 10000 the set-up alone would take hours", 0, INF, nullptr,
                 NOT_GIVEN});
    // Each pattern's three distribution parameters, after the self-similar
    // fields in a gap pattern. A negative one is read as not given.
    struct Pars {
        const char* section;
        int column;
        const char* unit;
        double max;
        const char* bound;
    };
    for (const Pars& p : {Pars{"[3.1.1]", 3, "KB|K", MAX_SIZE_KB, "4 GB, what a 32-bit transfer length spans"},
                          Pars{"[3.1.2]", 3, "", MAX_LUN_BLOCK, "a LUN's block number has 32 bits"},
                          Pars{"[3.1.3]", 8, "ms", MAX_PERIOD_MS, "about 31 years"}}) {
        int column = p.column;
        for (const char* name : {"Par1", "Par2", "Par3"})
            v.push_back({F::HOST, p.section, name, column++, p.unit, T::DOUBLE, 0, p.max, p.bound, 0, INF, "parameter",
                         NOT_GIVEN});
    }

    // Arrays.
    add_board_rows(v, F::ARRAY, 1);
    add_port_rows(v, F::ARRAY, 2);
    v.push_back({F::ARRAY, "[3]", "MaxArrLun", 0, "", T::INT, 1, 1000000, PART, 1, 1000000});
    v.push_back({F::ARRAY, "[3]", "CacheSize", 1, "MB", T::DOUBLE, 0.0625, 1e12, PART, 0.0625, 1e12});
    v.push_back({F::ARRAY, "[3]", "CswBusWidth", 2, "bit", T::DOUBLE, 1, MAX_BUS_BITS, BUS, ABOVE_ZERO});
    v.push_back({F::ARRAY, "[3]", "CswBusClock", 3, "MHz", T::DOUBLE, 1, MAX_CLOCK_MHZ, CLOCK, ABOVE_ZERO});
    v.push_back({F::ARRAY, "[3]", "CswDelay", 4, "us", T::DOUBLE, 0.001, 1e6, "1 ns to 1 s", ABOVE_ZERO});
    // The flush policy's fields that a policy of one kind alone uses, and
    // whose bounds its reader checks for that kind only.
    for (auto [name, column] : {std::pair<const char*, int>{"FTH_actv", 1}, {"FTH_dactv", 2}})
        v.push_back({F::ARRAY, "[3.1]", name, column, "", T::DOUBLE, 0, 1, PART, 0, 1});
    v.push_back({F::ARRAY, "[3.1]", "FBR_max", 4, "", T::DOUBLE, 0, 1, PART, 0, 1, nullptr, nullptr, 0, "Fixed"});
    v.push_back({F::ARRAY, "[3.1]", "INT_flush", 3, "ms", T::DOUBLE, MIN_PERIOD_MS, MAX_PERIOD_MS, PERIOD, ABOVE_ZERO});
    for (auto [name, column] : {std::pair<const char*, int>{"FBR_ini", 5}, {"FBR_min", 6}, {"TOL_fact", 7}})
        v.push_back({F::ARRAY, "[3.1]", name, column, "", T::DOUBLE, 1e-9, 1, "a share, at most 1", ABOVE_ZERO, INF,
                     nullptr, nullptr, 0, "Adapt"});
    v.push_back({F::ARRAY, "[3.1]", "AGG_fact", 8, "", T::DOUBLE, 1e-9, 1000, "a multiplier of at most 1000",
                 ABOVE_ZERO, INF, nullptr, nullptr, 0, "Adapt"});
    v.push_back({F::ARRAY, "[3.2]", "INT_clean", 1, "ms", T::DOUBLE, MIN_PERIOD_MS, MAX_PERIOD_MS, PERIOD, ABOVE_ZERO});
    int column = 2;
    for (const char* name : {"HRTH", "CTH_H_actv", "CBR_H_max", "CTH_N_actv", "CBR_N_max"})
        v.push_back({F::ARRAY, "[3.2]", name, column++, "", T::DOUBLE, 0, 1, PART, 0, 1});
    v.push_back({F::ARRAY, "[4]", "ApcBusWidth", 1, "bit", T::DOUBLE, 1, MAX_BUS_BITS, BUS, 1});
    v.push_back({F::ARRAY, "[4]", "ApcBusClock", 2, "MHz", T::DOUBLE, 1, MAX_CLOCK_MHZ, CLOCK, 1});
    v.push_back({F::ARRAY, "[5]", "portSpeed", 2, "", T::INT, 1, 2, PART, 1, 2});
    v.push_back(
        {F::ARRAY, "[5]", "diskCount", 4, "", T::INT, 1, 126, "an arbitrated loop holds 126 ports", 1, INF, "disk"});
    v.push_back({F::ARRAY, "[6]", "DSK_NUM", 1, "", T::INT, 1, 1000, PART, 1, 1000, "disk"});
    v.push_back({F::ARRAY, "[6]", "BLK_SIZE", 2, "KB|K", T::INT, 4, 64, PART, 4, 64});
    v.push_back({F::ARRAY, "[6]", "CON_CURR_LUNIO", 3, "", T::INT, 1, 1000000, PART, 1, 1000000});
    v.push_back({F::ARRAY, "[6]", "STRIPE_DEPTH", 4, "KB|K", T::LONG, 1, 1048576, PART, 1, 1048576});

    // Switches.
    v.push_back({F::SWITCH, "[1]", "Domain_ID", 0, "", T::INT, 1, 239, PART, 1, 239});
    v.push_back({F::SWITCH, "[1]", "R_A_TOV", 1, "ms", T::LONG, 1, MAX_TOV_MS, TOV, 1});
    v.push_back({F::SWITCH, "[1]", "E_D_TOV", 2, "ms", T::LONG, 1, MAX_TOV_MS, TOV, 1});
    v.push_back({F::SWITCH, "[2]", "Area_ID", 1, "", T::INT, 0, 255, PART, 0, 255});
    add_port_rows(v, F::SWITCH, 2);

    // CPU models.
    v.push_back({F::CPU_MODEL, "[1]", "CPU_Clock", 0, "MHz", T::DOUBLE, ABOVE_ZERO, MAX_CLOCK_MHZ, CLOCK, ABOVE_ZERO,
                 INF, "CPU clock"});
    v.push_back({F::CPU_MODEL, "[1]", "MEM_Clock", 1, "MHz", T::DOUBLE, ABOVE_ZERO, MAX_CLOCK_MHZ, CLOCK, ABOVE_ZERO,
                 INF, "MEM clock"});
    // A task's instructions, and per instruction its cycles and memory
    // references: each field is "mean,stddev", the mean bounded here.
    v.push_back({F::CPU_MODEL, "[2]", "INSTR_NUM", 1, "", T::DOUBLE, ABOVE_ZERO, 1e12,
                 "1e12 instructions, over a quarter of an hour at 1 GHz", ABOVE_ZERO});
    v.push_back({F::CPU_MODEL, "[2]", "CPU_CYL_INS", 2, "", T::DOUBLE, ABOVE_ZERO, 1000,
                 "at most 1000 cycles per instruction", ABOVE_ZERO});
    v.push_back({F::CPU_MODEL, "[2]", "MEM_REF_INS", 3, "", T::DOUBLE, ABOVE_ZERO, 100,
                 "at most 100 memory references per instruction", ABOVE_ZERO});

    // Disk models: seventeen values in a row. The counts' bounds lie far
    // beyond any real drive and keep the geometry's products and tables
    // within what the program holds.
    const char* const FAR = "far beyond any real drive";
    const char* const MECHANICS = "at most a second";
    v.push_back({F::DISK_MODEL, "", "CYL_NUM", 0, "", T::LONG, 1, 10000000, FAR, 1, 10000000, "cylinder"});
    v.push_back({F::DISK_MODEL, "", "DSK_SEC_SIZE", 1, "byte", T::LONG, 512, 2048, PART, 512, 2048, "sector size"});
    v.push_back({F::DISK_MODEL, "", "SEC_PER_TRK", 2, "", T::LONG, 1, 100000, FAR, 1, 100000, "sector"});
    v.push_back({F::DISK_MODEL, "", "BAND_NUM", 3, "", T::INT, 1, 999, FAR, 1, 999, "band"});
    v.push_back({F::DISK_MODEL, "", "CPB", 4, "", T::DOUBLE, ABOVE_ZERO, 1, PART, ABOVE_ZERO, 1});
    v.push_back({F::DISK_MODEL, "", "SPB", 5, "", T::DOUBLE, ABOVE_ZERO, 1, PART, ABOVE_ZERO, 1});
    v.push_back({F::DISK_MODEL, "", "L2P_MAP", 6, "", T::INT, 0, 1, PART, 0, 1});
    v.push_back({F::DISK_MODEL, "", "HEAD_NUM", 7, "", T::INT, 1, 1000, FAR, 1, 1000, "head"});
    v.push_back({F::DISK_MODEL, "", "RPM", 8, "", T::LONG, 1, 1000000, FAR, 1, 1000000, "rotation speed"});
    v.push_back({F::DISK_MODEL, "", "BUF_KB", 9, "KB", T::LONG, 1, 16777216, FAR, 1, 16777216, "buffer"});
    for (auto [name, column] : {std::pair<const char*, int>{"ADD_WR_DELAY", 10},
                                {"HEAD_SW_TIME", 11},
                                {"CYL_SW_TIME", 12},
                                {"CTRL_OVER_HEAD", 13}})
        v.push_back({F::DISK_MODEL, "", name, column, "ms", T::DOUBLE, ABOVE_ZERO, 1000, MECHANICS, ABOVE_ZERO});
    v.push_back({F::DISK_MODEL, "", "FCAL_DELAY", 14, "us", T::DOUBLE, ABOVE_ZERO, 1000000, MECHANICS, ABOVE_ZERO});
    v.push_back({F::DISK_MODEL, "", "CMD_QUE_DPTH", 15, "", T::LONG, 1, 65536, FAR, 1, 65536});
    v.push_back({F::DISK_MODEL, "", "CMD_QUE_DELAY", 16, "us", T::DOUBLE, 0, 1000000, MECHANICS, 0});

    // The link-event file: an event line gives its time in ms after the
    // event's letter ("D 1200").
    v.push_back({F::LINK_EVENTS, "@port", "time", 1, "ms", T::DOUBLE, 0, just_below(MAX_PERIOD_MS),
                 "about 31 years, where the clock still tells microseconds apart", 0, just_below(MAX_PERIOD_MS),
                 "timer value"});

    // omnetpp.ini: the root's run settings.
    for (const char* period :
         {"ioGenTimeScale", "cpuUtilTimeScale", "busUtilTimeScale", "cchUtilTimeScale", "ioOpenTimeScale",
          "eeStatTimeScale", "dskStatTimeScale", "swStatTimeScale", "swCtrUpdTimeScale"})
        v.push_back({F::INI, "", period, -1, "ms", T::DOUBLE, MIN_PERIOD_MS, MAX_PERIOD_MS, PART, ABOVE_ZERO});
    v.push_back({F::INI, "", "light_speed", -1, "km/s", T::LONG, 290000, 300000, PART, 290000, 300000});
    for (const char* cost : {"link_1G_cost", "link_2G_cost"})
        v.push_back({F::INI, "", cost, -1, "", T::LONG, 1, 65535, "FSPF carries a link's cost in 16 bits", 1});
    v.push_back({F::INI, "", "s_fact_km", -1, "km", T::LONG, 1, MAX_DISTANCE_KM, "once around the earth", 1});
    for (const char* distance : {"distC1C2", "distC2C3", "distC1C3"})
        v.push_back({F::INI, "", distance, -1, "km", T::DOUBLE, 0, MAX_DISTANCE_KM, "once around the earth", 0});
    v.push_back({F::INI, "", "maxIoGen", -1, "", T::INT, 1, 10000, "rows of each workload table", 1});
    v.push_back({F::INI, "", "maxZoneNum", -1, "", T::INT, 1, 1024, "zones of the zone set", 1});
    v.push_back({F::INI, "", "maxZoneMem", -1, "", T::INT, 1, 1024, "members of one zone", 1});
    v.push_back({F::INI, "", "maxLinkEv", -1, "", T::LONG, 1, 1000000, "link events of one port", 1});
    v.push_back({F::INI, "", "minEvInt", -1, "ms", T::DOUBLE, 1000, 1e9, "about 11 days", 1000});
    v.push_back({F::INI, "", "evEndDelay", -1, "ms", T::DOUBLE, 0, MAX_PERIOD_MS, PART, 0, MAX_PERIOD_MS});
    v.push_back({F::INI, "", "defConCurrSeq", -1, "", T::LONG, 1, 255, PART, 1, 255});
    v.push_back({F::INI, "", "maxDomNum", -1, "", T::INT, 1, 239, PART, 1, 239});
    v.push_back({F::INI, "", "maxSwPortNum", -1, "", T::INT, 1, 255, PART, 1, 255});
    v.push_back({F::INI, "", "maxNsDbEntry", -1, "", T::INT, 1, 65536, "NxPorts one name server lists", 1});
    v.push_back({F::INI, "", "nsDbOutCol", -1, "", T::INT, 1, 1024, "port IDs in a row of the name server's file", 1});
    return v;
}

std::string bound_text(double value)
{
    if (value == ABOVE_ZERO)
        return "0";
    return opp_format("%.10g", value);
}

// Whether the maximum is the largest value below the bound it shows.
bool is_open_max(const Setting& s)
{
    const double shown = std::strtod(bound_text(s.max).c_str(), nullptr);
    return shown != s.max && std::nextafter(s.max, INF) == shown;
}

} // namespace

const std::vector<Setting>& setting_catalogue()
{
    static const std::vector<Setting> catalogue = make_catalogue();
    return catalogue;
}

namespace {

// The entries of each name: a few at most (portSpeed of every port section).
using CatalogueIndex = std::unordered_map<std::string_view, std::vector<const Setting*>>;

const CatalogueIndex& catalogue_index()
{
    static const CatalogueIndex index = [] {
        CatalogueIndex by_name;
        for (const Setting& s : setting_catalogue())
            by_name[s.name].push_back(&s);
        return by_name;
    }();
    return index;
}

} // namespace

const Setting& setting(SettingFile file, const char* section, const char* name)
{
    const CatalogueIndex& index = catalogue_index();
    if (const auto found = index.find(name); found != index.end())
        for (const Setting* s : found->second)
            if (s->file == file && std::strcmp(s->section, section) == 0)
                return *s;
    throwError("The setting catalogue holds no %s %s \"%s\"", file_kind_name(file), section, name);
}

bool catalogue_accepts(const Setting& s, double value)
{
    if (value >= s.min && value <= s.max)
        return true;
    return value < s.ownBelow || value > s.ownAbove;
}

std::string range_text(const Setting& s)
{
    std::string text =
        (s.min == ABOVE_ZERO ? "(" : "[") + bound_text(s.min) + "," + bound_text(s.max) + (is_open_max(s) ? ")" : "]");
    if (*s.unit)
        text += " " + std::string(s.unit, std::strcspn(s.unit, "|"));
    return text;
}

const char* file_kind_name(SettingFile file)
{
    switch (file) {
    case F::HOST: return "host file";
    case F::ARRAY: return "array file";
    case F::SWITCH: return "switch file";
    case F::CPU_MODEL: return "CPU-model file";
    case F::DISK_MODEL: return "disk model file";
    case F::LINK_EVENTS: return "link-event file";
    default: return "omnetpp.ini";
    }
}

const std::vector<ModelField>& model_fields()
{
    // A back-end board's CpuModel (section [4] of an array) is kept on the
    // board but names no file.
    static const std::vector<ModelField> fields = {
        {F::HOST, "[1]", "[2]", "CpuModel", 2, F::CPU_MODEL},
        {F::HOST, "[2]", "[2.1]", "FcCtrl", 9, F::CPU_MODEL},
        {F::ARRAY, "[1]", "[2]", "CpuModel", 3, F::CPU_MODEL},
        {F::ARRAY, "[2]", "[2.1]", "FcCtrl", 10, F::CPU_MODEL},
        {F::ARRAY, "[3]", "[3.1]", "CpuModel", 5, F::CPU_MODEL},
        {F::ARRAY, "[5]", "[6]", "diskModel", 3, F::DISK_MODEL},
        {F::SWITCH, "[1]", "[2]", "CpuModel", 3, F::CPU_MODEL},
        {F::SWITCH, "[2]", nullptr, "FcCtrl", 8, F::CPU_MODEL},
    };
    return fields;
}

std::vector<std::string> model_file_names(SettingFile kind, const std::string& model)
{
    if (kind == F::DISK_MODEL)
        return {model + DISK_PARAMS_FILE_SUFFIX, model + DISK_SEEK_FILE_SUFFIX};
    return {model + CPU_MODEL_FILE_SUFFIX};
}

namespace {

[[noreturn]] void refuse_root(const cModule* reader, const Setting& s, double value)
{
    reader->error("---> Invalid \"%s\" %g. Must be within %s. Please check the file \"omnetpp.ini\"", s.name, value,
                  range_text(s).c_str());
}

} // namespace

double root_double_setting(const cModule* reader, cModule* root, const char* key)
{
    const Setting& s = setting(SettingFile::INI, "", key);
    const double value = root->par(key).doubleValue();
    if (!catalogue_accepts(s, value))
        refuse_root(reader, s, value);
    return value;
}

long root_long_setting(const cModule* reader, cModule* root, const char* key)
{
    const double value = root_double_setting(reader, root, key);
    // Left to a reader's own check, a value may still be too big for a long.
    if (!(std::fabs(value) < 9.2e18))
        refuse_root(reader, setting(SettingFile::INI, "", key), value);
    return root->par(key).longValue();
}
