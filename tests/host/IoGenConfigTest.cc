#include "host/IoGenerator.h"
#include "tests/host/IoGenFixture.h"

namespace {

const std::string TABLES = "LunA 10 0 Mixed\n";
const std::string IO_PATTERNS = "Mixed 70 Sz Blk Gap\n";
const std::string SIZES = "Sz uniform 1 4 8 -\n";
const std::string BLOCKS = "Blk seq_block 0 0 - -\n";
const std::string GAPS = "Gap exponential 3 - - - - - 2 - -\n";

// A workload with one section's rows replaced.
struct Variant {
    const char* what;
    std::string tables = TABLES, ioPatterns = IO_PATTERNS, sizes = SIZES, blocks = BLOCKS, gaps = GAPS;
    std::string error;
};

Variant variant(const char* what, std::string error)
{
    Variant v;
    v.what = what;
    v.error = std::move(error);
    return v;
}

class IoGenConfigTest : public IoGenTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(IoGenConfigTest, ABadWorkloadStopsTheRunWithItsMessage)
{
    const Variant& v = GetParam();
    genHost("Host1", IoGenTest::workload(v.tables, v.ioPatterns, v.sizes, v.blocks, v.gaps));
    EXPECT_EQ(runError(), v.error) << v.what;
}

std::vector<Variant> badWorkloads()
{
    const std::string in = " of the file \"Host1.conf\"";
    std::vector<Variant> list;
    auto add = [&](const char* what, const std::string& error, auto change) {
        Variant v = variant(what, error + in);
        change(v);
        list.push_back(v);
    };
    add("uniform without Par2", "---> \"Sz\" : missing or incorrect parameter(s). Please check section [3.1.1]",
        [](Variant& v) { v.sizes = "Sz uniform 1 4 - -\n"; });
    add("negative normal mean", "---> \"Blk\" : missing or incorrect parameter(s). Please check section [3.1.2]",
        [](Variant& v) { v.blocks = "Blk normal 1 -5 2 -\n"; });
    add("self_sim without Srcs", "---> \"Gap\" : missing or incorrect parameter(s). Please check section [3.1.3]",
        [](Variant& v) { v.gaps = "Gap self_sim 1 10 1.5 1.5 100 - - - -\n"; });
    add("self_sim on generator 32",
        "---> \"Gap\" : invalid RNG# 32. Must be within [0,31]. Please check section "
        "[3.1.2]",
        [](Variant& v) { v.gaps = "Gap self_sim 32 10 1.5 1.5 100 2 - - -\n"; });
    add("size on generator -1", "---> \"Sz\" : invalid RNG# -1. Must be within [0,31]. Please check section [3.1.1]",
        [](Variant& v) { v.sizes = "Sz uniform - 4 8 -\n"; });
    add("unknown gap dist", "---> \"Gap\" : invalid distribution function  \"pareto\". Please check section [3.1.3]",
        [](Variant& v) { v.gaps = "Gap pareto 1 - - - - - 1 1 1\n"; });
    add("seven size fields",
        "---> \"Sz\" : at most 6 parameters can be setup for Size Pattern Table. Please check section [3.1.1]",
        [](Variant& v) { v.sizes = "Sz uniform 1 4 8 - 9\n"; });
    add("three table fields", "---> \"LunA\" : missing parameter(s). Please check section [3]",
        [](Variant& v) { v.tables = "LunA 10 0\n"; });
    add("twelve gap fields",
        "---> \"Gap\" : at most 11 parameters can be setup for Gap Pattern Table. Please check section [3.1.3]",
        [](Variant& v) { v.gaps = "Gap exponential 3 - - - - - 2 - - -\n"; });
    add("long LUN_WWN", "---> Invalid LUN_WWN[LunAAAAAAAAAAAAAA]. Must not exceed 16 char. Please check section [3]",
        [](Variant& v) { v.tables = "LunAAAAAAAAAAAAAA 10 0 Mixed\n"; });
    add("long gap name",
        "---> Invalid Gap Pattern[GapGapGapGapGapGap]. Must not exceed 16 char. Please check section [3.1.2]",
        [](Variant& v) { v.gaps = "GapGapGapGapGapGap exponential 3 - - - - - 2 - -\n"; });
    add("long block name in an IO pattern",
        "---> \"Mixed\" : invalid Block Pattern[BlkBlkBlkBlkBlkBlk]. Must not exceed 16 char. Please check section "
        "[3.1]",
        [](Variant& v) { v.ioPatterns = "Mixed 70 Sz BlkBlkBlkBlkBlkBlk Gap\n"; });
    add("no IO pattern", "---> \"LunA\" : Found no IO Pattern named \"Other\". Please check section [3]",
        [](Variant& v) { v.tables = "LunA 10 0 Other\n"; });
    add("no gap pattern", "---> \"Mixed\" : Found no Gap Pattern named \"Gap\". Please check section [3.1]",
        [](Variant& v) { v.gaps = "Gap2 exponential 3 - - - - - 2 - -\n"; });
    add("IoNum 0", "---> \"LunA\" : invalid IoNum 0. Must > 0. Please check section [3]",
        [](Variant& v) { v.tables = "LunA 0 0 Mixed\n"; });
    add("negative start", "---> \"LunA\" : invalid Start Time -2.000000. Must >= 0ms. Please check section [3]",
        [](Variant& v) { v.tables = "LunA 10 -2 Mixed\n"; });
    add("IoNum in hexadecimal", "---> \"LunA\" : invalid IoNum 0x1F4. Must > 0. Please check section [3]",
        [](Variant& v) { v.tables = "LunA 0x1F4 0 Mixed\n"; });
    add("block patterns before size patterns",
        "---> Section marker \"[3.1.2]\" on line 11 is out of place. Please check section [3.1]",
        [](Variant& v) { v.ioPatterns += "[3.1.2] block patterns\nBlk seq_block 0 0 - -\n"; });
    add("IO patterns twice", "---> Section marker \"[3.1]\" on line 14 is out of place. Please check section [3.1.1]",
        [](Variant& v) { v.sizes += "[3.1] IO patterns again\n"; });
    add("ratio 101", "---> \"Mixed\" : invalid R/W ratio 101. Must be within [0,100]. Please check section [3.1]",
        [](Variant& v) { v.ioPatterns = "Mixed 101 Sz Blk Gap\n"; });
    add("ratio not given", "---> \"Mixed\" : invalid R/W ratio -1. Must be within [0,100]. Please check section [3.1]",
        [](Variant& v) { v.ioPatterns = "Mixed - Sz Blk Gap\n"; });
    add("nine size rows",
        "---> Cannot allocate a Size Patterns table. Must enlarge the value of MaxIoGen. Current value is 8. Please "
        "check section [1]",
        [](Variant& v) {
            for (int i = 0; i < 8; ++i)
                v.sizes += "Sz" + std::to_string(i) + " uniform 1 4 8 -\n";
        });
    return list;
}

INSTANTIATE_TEST_SUITE_P(Workloads, IoGenConfigTest, ::testing::ValuesIn(badWorkloads()),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(IoGenTest, AWorkloadWithoutIoPatternsCannotAssignThem)
{
    writeFile("Host1.conf", "[3]\nLUN_WWN IoNum StartTime IoPattern\nLunA 10 0 Mixed\n");
    auto* host = new cCompoundModule("Host1", root);
    host->addPar("confFile").setStringValue("Host1.conf");
    findModuleType("IoGenerator")->create("IoGen", host);
    EXPECT_EQ(runError(), "---> IO Generator setting error. Cannot assign IO Patterns. Please check section [3] of "
                          "the file \"Host1.conf\"");
}

// Numbers keep their leading-digit reading and the first pattern of a name
// is the one used, as stored workloads rely on; what that passes over is
// told with its line. Units of a field's own are no loss.
TEST_F(IoGenTest, NumbersCutShortAndPatternsNamedTwiceAreToldWithTheirLines)
{
    genHost("Host1", workload("LunA 5e2 0 Mixed\nLunB 1,500 100ms Mixed\n", IO_PATTERNS,
                              "Sz uniform 1 4KB 8KB -\nSz uniform 1 16 32 -\n", BLOCKS,
                              GAPS + "Gap uniform 3 - - - - - 1 2 -\n"));
    simulation.callInitialize();
    auto* gen = static_cast<IoGenerator*>(root->submodule("Host1")->submodule("IoGen"));
    ASSERT_EQ(gen->tables().size(), 2u);
    EXPECT_EQ(gen->tables()[0].IoNum, 5);
    EXPECT_EQ(gen->tables()[1].IoNum, 1);
    EXPECT_EQ(gen->tables()[1].StartTime, 100);
    EXPECT_EQ(gen->tables()[0].size.Par1, 4);
    EXPECT_EQ(gen->tables()[0].size.Par2, 8);
    EXPECT_EQ(gen->tables()[0].gap.dist, "exponential");

    const std::string in = ". Please check section ";
    const std::string file = " of the file \"Host1.conf\"";
    const std::vector<std::string> told = {
        "---> Line 7, field 2 \"5e2\" reads as 5: the text after the number is ignored" + in + "[3]" + file,
        "---> Line 8, field 2 \"1,500\" reads as 1: the text after the number is ignored" + in + "[3]" + file,
        "---> Line 15, field 1 \"Sz\" names the Size Pattern of line 14 again; this row is ignored" + in + "[3.1.1]" +
            file,
        "---> Line 22, field 1 \"Gap\" names the Gap Pattern of line 21 again; this row is ignored" + in + "[3.1.3]" +
            file,
    };
    const auto log = readLines("Warnings.log");
    ASSERT_EQ(log.size(), 2 + told.size()) << readFile("Warnings.log");
    for (size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(log[2 + i].substr(log[2 + i].find("WARNING: ")), "WARNING: " + told[i]);
    simulation.callFinish();
}

TEST_F(IoGenTest, RunWideSettingsAreChecked)
{
    root->par("maxIoGen").setLongValue(0);
    genHost("Host1", workload(TABLES, IO_PATTERNS, SIZES, BLOCKS, GAPS));
    EXPECT_EQ(runError(), "---> Invalid setup for \"maxIoGen\". Must >= 1. Please check the file \"omnetpp.ini\"");
    root->par("maxIoGen").setLongValue(8);
    root->par("ioGenTimeScale").setDoubleValue(0);
    simulation.deleteNetwork();
    TearDown();
    SetUp();
    root->par("ioGenTimeScale").setDoubleValue(0);
    genHost("Host1", workload(TABLES, IO_PATTERNS, SIZES, BLOCKS, GAPS));
    EXPECT_EQ(runError(), "---> Invalid \"ioGenTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

// Parameters that no draw can use stop the run at set-up, before the first
// draw, naming the pattern, the section and the file; a pattern that no
// table uses is not drawn and not checked.
TEST_F(IoGenTest, DistributionParametersThatCannotBeDrawnStopTheSetUp)
{
    const std::string in = " of the file \"Host1.conf\"";
    const struct {
        std::string sizes, blocks, gaps, error;
    } cases[] = {
        {"Sz uniform 1 8 4 -\n", BLOCKS, GAPS,
         "---> \"Sz\" : invalid parameters for uniform: min above max. Please check section [3.1.1]"},
        {SIZES, BLOCKS, "Gap weibull 3 - - - - - 2 0 -\n",
         "---> \"Gap\" : invalid parameters for weibull: shape (Par2) must be > 0: each draw divides by it. Please "
         "check section [3.1.3]"},
        {"Sz pareto_shifted 1 0 4 1\n", BLOCKS, GAPS,
         "---> \"Sz\" : invalid parameters for pareto_shifted: shape (Par1) must be > 0: each draw divides by it. "
         "Please check section [3.1.1]"},
        {"Sz beta 1 0 0 -\n", BLOCKS, GAPS,
         "---> \"Sz\" : invalid parameters for beta: alpha1 and alpha2 must not both be 0: each draw would be 0 / 0. "
         "Please check section [3.1.1]"},
        {SIZES, "Blk intuniform 2 100 10 -\n", GAPS,
         "---> \"Blk\" : invalid parameters for intuniform: min above max. Please check section [3.1.2]"},
        {SIZES, "Blk triang 2 5 1 9\n", GAPS,
         "---> \"Blk\" : invalid parameters for triang: needs min <= mode <= max. Please check section [3.1.2]"},
        // Whole-number parameters beyond the types the draws take them in.
        {SIZES, "Blk intuniform 2 0 3000000000 -\n", GAPS,
         "---> \"Blk\" : invalid parameters for intuniform: max must be at most 2147483647. Please check section "
         "[3.1.2]"},
        {SIZES, BLOCKS, "Gap erlang_k 3 - - - - - 5000000000 2 -\n",
         "---> \"Gap\" : invalid parameters for erlang_k: k must be at most 4294967295. Please check section "
         "[3.1.3]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        simulation.deleteNetwork();
        TearDown();
        SetUp();
        genHost("Host1", workload(TABLES, IO_PATTERNS, c.sizes, c.blocks, c.gaps));
        EXPECT_EQ(runError(), c.error + in);
        EXPECT_EQ(simulation.simTime(), 0.0) << "checked at set-up, not at the first draw";
    }
    simulation.deleteNetwork();
    TearDown();
    SetUp();
    genHost("Host1", workload(TABLES, IO_PATTERNS, SIZES + "Unused uniform 1 8 4 -\n", BLOCKS, GAPS));
    EXPECT_EQ(errorOf([] { simulation.callInitialize(); }), "");
}

// Settings that would make the set-up or the run go on for hours are
// refused with their range: a self-similar gap with more sources than any
// workload needs, a statistics period shorter than the least, and a
// workload row asking for more I/Os than the run-wide counts can add up.
TEST_F(IoGenTest, SettingsThatWouldMakeTheSetUpOrTheRunEndlessAreRefused)
{
    const std::string in = " of the file \"Host1.conf\"";
    genHost("Host1", workload(TABLES, IO_PATTERNS, SIZES, BLOCKS, "Gap self_sim 1 10 1.5 1.5 100 100000000 - - -\n"));
    EXPECT_EQ(runError(),
              "---> field 8 \"100000000\" of line 19 is out of range: Srcs must be within [0,10000]. Please check "
              "section [3.1.3]" +
                  in);

    simulation.deleteNetwork();
    TearDown();
    SetUp();
    root->par("ioGenTimeScale").setDoubleValue(1e-6);
    genHost("Host1", workload(TABLES, IO_PATTERNS, SIZES, BLOCKS, GAPS));
    EXPECT_EQ(runError(),
              "---> Invalid \"ioGenTimeScale\". Must be within [0.01,1e+12]ms. Please check the file \"omnetpp.ini\"");

    simulation.deleteNetwork();
    TearDown();
    SetUp();
    genHost("Host1", workload("LunA 9223372036854775807 0 Mixed\n", IO_PATTERNS, SIZES, BLOCKS, GAPS));
    EXPECT_EQ(runError(), "---> \"LunA\" : invalid IoNum 9223372036854775807. Must be within [1,1000000000000]. "
                          "Please check section [3]" +
                              in);
}

TEST_F(IoGenTest, ResolvedTablesAreDumpedWithTheirPatterns)
{
    genHost("Host1", workload("LunA 10 1.5 Mixed\nLunB 4 0 Similar\n", IO_PATTERNS + "Similar 0 Sz Blk Ss\n", SIZES,
                              BLOCKS, GAPS + "Ss self_sim 4 10 1.5 1.2 2000 3 - - -\n"));
    simulation.callInitialize();
    auto* gen = static_cast<IoGenerator*>(root->submodule("Host1")->submodule("IoGen"));
    ASSERT_EQ(gen->tables().size(), 2u);
    const IoGenTable& similar = gen->tables()[1];
    EXPECT_TRUE(similar.gap.selfSim);
    ASSERT_TRUE(similar.generator);
    EXPECT_EQ(similar.generator->sources().count, 3);
    EXPECT_FALSE(gen->tables()[0].generator);
    EXPECT_EQ(similar.ratio, 0);
    EXPECT_EQ(similar.size.dist, "uniform");
    EXPECT_EQ(rootLong("hostNum"), 1);

    const auto dump = readLines("out/iogen/Velmora.Host1.IoGen.IoGenTbl");
    const std::string eq(120, '='), dash(120, '-');
    const std::vector<std::string> expected = {
        eq,
        "IO Generation Table for Velmora.Host1.IoGen",
        eq,
        col("ID", 5) + col("LUN_WWN", 15) + col("IoNum", 15) + col("STime(ms)", 15) + col("IoPattern", 15),
        col("0", 5) + col("LunA", 15) + col("10", 15) + num(1.5, 4, 15) + col("Mixed", 15),
        dash,
        " |____ " + col("IoPattern", 15) + col("R/W", 8) + col("SizPattern", 15) + col("BlkPattern", 15) +
            col("GapPattern", 15),
        "       " + col("Mixed", 15) + col("70", 8) + col("Sz", 15) + col("Blk", 15) + col("Gap", 15),
        dash,
        "        |____ " + col("SizPattern", 15) + col("RNG_NAME", 15) + col("RNG#", 8) + col("Par1", 15) +
            col("Par2", 15) + col("Par3", 15),
        std::string(14, ' ') + col("Sz", 15) + col("uniform", 15) + col("1", 8) + num(4, 4, 15) + num(8, 4, 15) +
            col("xxxxx", 15),
        "        |____ " + col("BlkPattern", 15) + col("RNG_NAME", 15) + col("RNG#", 8) + col("Par1", 15) +
            col("Par2", 15) + col("Par3", 15),
        std::string(14, ' ') + col("Blk", 15) + col("seq_block", 15) + col("0", 8) + num(0, 4, 15) + col("xxxxx", 15) +
            col("xxxxx", 15),
    };
    ASSERT_EQ(dump.size(), expected.size() + 2 + 12 + 1);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(dump[i], expected[i]) << i;
    EXPECT_EQ(dump[expected.size() + 12], "        |____ " + col("GapPattern", 15) + col("RNG_NAME", 15) +
                                              col("RNG#", 8) + col("MinGap", 15) + col("OnShape", 15) +
                                              col("OffShape", 15) + col("Load(IOPS)", 15) + col("Srcs", 8));
    EXPECT_EQ(dump[expected.size() + 13], std::string(14, ' ') + col("Ss", 15) + col("self_sim", 15) + col("4", 8) +
                                              num(10, 4, 15) + num(1.5, 4, 15) + num(1.2, 4, 15) + col("2000", 15) +
                                              col("3", 8));
    EXPECT_EQ(dump.back(), eq);
    simulation.callFinish();
}

TEST_F(IoGenTest, TablesNamingOneSelfSimilarGapGetSourceSetsOfTheirOwn)
{
    genHost("Host1", workload("LunA 10 0 Similar\nLunB 10 0 Similar\n", "Similar 50 Sz Blk Ss\n", SIZES, BLOCKS,
                              "Ss self_sim 4 10 1.5 1.2 2000 2 - - -\n"));
    simulation.callInitialize();
    auto* gen = static_cast<IoGenerator*>(root->submodule("Host1")->submodule("IoGen"));
    ASSERT_TRUE(gen->tables()[0].generator && gen->tables()[1].generator);
    EXPECT_NE(gen->tables()[0].generator.get(), gen->tables()[1].generator.get());
    EXPECT_EQ(gen->tables()[1].generator->sources().count, 2);
    simulation.callFinish();
}

} // namespace
