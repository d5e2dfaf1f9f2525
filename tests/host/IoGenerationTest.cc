#include <algorithm>
#include <map>

#include "tests/host/IoGenFixture.h"

namespace {

const char* const EVERY_MS = "Every const_gap 0 - - - - - 1 - -\n";

std::vector<ScsiLayerStandIn::Io> ofTable(const ScsiLayerStandIn* scsi, long genId)
{
    std::vector<ScsiLayerStandIn::Io> ios;
    for (const auto& io : scsi->received)
        if (io.ioGenId == genId)
            ios.push_back(io);
    return ios;
}

// The sizes of the I/Os each table issued, in order, by table index.
std::map<long, std::vector<long>> sizesByTable(const ScsiLayerStandIn* scsi)
{
    std::map<long, std::vector<long>> sizes;
    for (const auto& io : scsi->received)
        sizes[io.ioGenId].push_back(io.ioSize);
    return sizes;
}

TEST_F(IoGenTest, SequentialStreamWalksToTheEndOfItsLunThenGivesBackItsUnissuedIos)
{
    ScsiLayerStandIn* scsi =
        genHost("Host1", workload("LunA 5 2.5 Seq\n", "Seq 100 Big Walk Every\n", "Big const_size 0 64 - -\n",
                                  "Walk seq_block 0 96 - -\n", EVERY_MS));
    scsi->announce(0.01, "LunA", 100, 8192);
    scsi->serviceTime = 0.0005;
    runAll();

    ASSERT_EQ(scsi->received.size(), 1u);
    const auto& io = scsi->received[0];
    EXPECT_DOUBLE_EQ(io.time, 0.0125);
    EXPECT_DOUBLE_EQ(io.sTime, 0.0125);
    EXPECT_EQ(io.ioType, 136);
    EXPECT_EQ(io.blkAddr, 96);
    EXPECT_EQ(io.ioSize, 4 * 8192);
    EXPECT_EQ(io.lunWwn, "LunA");
    EXPECT_EQ(io.ioGenId, 0);
    EXPECT_EQ(io.ioPatName, "Seq");

    // Four of the five I/Os were never issued: the run waits for one only,
    // and that one completed before the stream ended.
    EXPECT_EQ(rootLong("rawIoNum"), 5);
    EXPECT_EQ(rootLong("netIoNum"), 1);
    EXPECT_EQ(rootLong("netIoToGen"), 0);
    EXPECT_EQ(rootLong("netIoComp"), 1);
    EXPECT_EQ(rootLong("hostNum"), 1);
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_FALSE(rootBool("simDone"));
    EXPECT_EQ(readFile("Warnings.log"), "");

    const auto wrk = readLines("out/iogen/Velmora.Host1.IoGen.Gen[0].IoWrkLoad");
    ASSERT_EQ(wrk.size(), 5u);
    EXPECT_EQ(wrk[0], "IO WorkLoad for Velmora.Host1.IoGen.Gen[0]");
    EXPECT_EQ(wrk[1], "");
    EXPECT_EQ(wrk[2], col("SimTime(ms)", 15) + col("Index", 11) + col("Flag", 9) + col("Size(KB)", 15) +
                          col("BlkAddr", 15) + col("LUN_WWN", 10));
    EXPECT_EQ(wrk[3], std::string(75, '-'));
    EXPECT_EQ(wrk[4],
              num(12.5, 4, 15) + col("0", 11) + col("Rd", 9) + num(32, 3, 15) + col("96", 15) + col("LunA", 10));

    // A row every millisecond from 0 until no I/O is left to generate.
    const auto stat = readLines("out/iogen/Velmora.Host1.IoGen.IoGenStat");
    ASSERT_EQ(stat.size(), 3u + 15u);
    EXPECT_EQ(stat[0],
              col("SimTime(ms)", 15) + col("Gen[", 4) + col("0]", 4) + col("---", 14) + col("Sum", 8) + col("---", 14));
    EXPECT_EQ(stat[1], col(" ", 15) + col("IOs ", 8) + col("Data(MB)", 14) + col("IOs ", 8) + col("Data(MB)", 14));
    EXPECT_EQ(stat[2], std::string(15 + 44, '-'));
    EXPECT_EQ(stat[3], num(0, 4, 15) + col("0", 8) + num(0, 6, 14) + col("0", 8) + num(0, 6, 14));
    EXPECT_EQ(stat[16], num(13, 4, 15) + col("1", 8) + num(0.03125, 6, 14) + col("1", 8) + num(0.03125, 6, 14));
    EXPECT_EQ(stat[17].substr(0, 15), num(14, 4, 15));

    EXPECT_NE(console.str().find("IOs for LUN (LunA) is being triggered ... "), std::string::npos);
    EXPECT_NE(console.str().find("Velmora.Host1.IoGen --> NEXT_IO\n"), std::string::npos);
}

TEST_F(IoGenTest, SizesBlocksAndDirectionsAtTheirEdges)
{
    ScsiLayerStandIn* scsi = genHost(
        "Host1", workload("LunB 20 0 AllRead\nLunB 20 0 AllWrite\nLunB 2 0 EndCut\nLunB 1 0 WideCut\n",
                          "AllRead 100 Small Past Every\nAllWrite 0 Zero Five Every\nEndCut 100 Huge Past Every\n"
                          "WideCut 100 Huge Ten Every\n",
                          "Small const_size 0 0.4 - -\nZero const_size 0 0 - -\nHuge const_size 0 2048 - -\n",
                          "Past const_size 0 150 - -\nFive const_size 0 5 - -\nTen const_size 0 10 - -\n", EVERY_MS));
    scsi->announce(0.002, "LunB", 100, 8192);
    // Another path to the same LUN, and a LUN no table names.
    scsi->announce(0.0025, "LunB", 100, 8192);
    scsi->announce(0.003, "LunZ", 100, 8192);
    runAll();

    const auto reads = ofTable(scsi, 0), writes = ofTable(scsi, 1), endCut = ofTable(scsi, 2),
               wideCut = ofTable(scsi, 3);
    ASSERT_EQ(reads.size(), 20u);
    ASSERT_EQ(writes.size(), 20u);
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_DOUBLE_EQ(reads[i].time, 0.002 + 0.001 * static_cast<double>(i));
        EXPECT_EQ(reads[i].ioType, 136);
        EXPECT_EQ(reads[i].ioSize, 409);
        EXPECT_EQ(reads[i].blkAddr, 99);
        EXPECT_EQ(writes[i].ioType, 128);
        EXPECT_EQ(writes[i].ioSize, 1);
        EXPECT_EQ(writes[i].blkAddr, 5);
    }
    ASSERT_EQ(endCut.size(), 2u);
    EXPECT_EQ(endCut[0].ioSize, 8192);
    EXPECT_EQ(endCut[0].blkAddr, 99);
    ASSERT_EQ(wideCut.size(), 1u);
    EXPECT_EQ(wideCut[0].ioSize, 90 * 8192);
    EXPECT_EQ(rootLong("netIoNum"), 43);
    EXPECT_EQ(rootLong("rawIoNum"), 43);
    EXPECT_EQ(rootLong("netIoToGen"), 0);
    EXPECT_FALSE(rootBool("ioDone"));

    const auto wrk = readLines("out/iogen/Velmora.Host1.IoGen.Gen[1].IoWrkLoad");
    ASSERT_EQ(wrk.size(), 4u + 20u);
    EXPECT_EQ(wrk[23],
              num(21, 4, 15) + col("19", 11) + col("Wr", 9) + num(1 / 1024.0, 3, 15) + col("5", 15) + col("LunB", 10));
}

TEST_F(IoGenTest, IosToGenerateAreCountedAcrossHosts)
{
    const std::string patterns = "Rnd 50 Four Any Every\n";
    const std::string sizes = "Four uniform 1 2 6 -\n";
    const std::string blocks = "Any intuniform 2 0 999 -\n";
    ScsiLayerStandIn* a = genHost("Host1", workload("LunA 3 0 Rnd\n", patterns, sizes, blocks, EVERY_MS));
    ScsiLayerStandIn* b = genHost("Host2", workload("LunB 2 0 Rnd\n", patterns, sizes, blocks, EVERY_MS));
    a->announce(0.0012, "LunA", 1000, 512);
    b->announce(0.0042, "LunB", 1000, 512);
    a->serviceTime = b->serviceTime = 0.0001;
    evDoneAt(0.005);
    runAll();

    ASSERT_EQ(a->received.size(), 3u);
    ASSERT_EQ(b->received.size(), 2u);
    std::vector<long> leftA, leftB;
    for (const auto& io : a->received)
        leftA.push_back(io.netIoToGen);
    for (const auto& io : b->received) {
        leftB.push_back(io.netIoToGen);
        EXPECT_GE(io.ioSize, 2048);
        EXPECT_LE(io.ioSize, 6144);
        EXPECT_LE(io.blkAddr, 999);
    }
    EXPECT_EQ(leftA, (std::vector<long>{2, 1, 0}));
    EXPECT_EQ(leftB, (std::vector<long>{1, 0}));
    EXPECT_EQ(rootLong("netIoNum"), 5);
    EXPECT_EQ(rootLong("rawIoNum"), 5);
    EXPECT_EQ(rootLong("hostNum"), 2);
    EXPECT_TRUE(rootBool("netIoToGenFlag"));
    // Host1's three completions reached the count before Host2's LUN raised
    // it; the last completion, after evDone, ends the run.
    EXPECT_EQ(rootLong("netIoComp"), 5);
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_TRUE(rootBool("simDone"));
}

TEST_F(IoGenTest, ATableWhoseLunIsNeverAnnouncedIsNamedWhenTheIoPhaseEnds)
{
    const std::string patterns = "Rnd 50 Four Any Every\n";
    ScsiLayerStandIn* scsi =
        genHost("Host1", workload("LunA 3 0 Rnd\nDC1_ORA_LGO 150 0 Rnd\nLunB 2 0 Rnd\n", patterns,
                                  "Four uniform 1 2 6 -\n", "Any intuniform 2 0 999 -\n", EVERY_MS));
    scsi->announce(0.001, "LunA", 1000, 512);
    scsi->announce(0.001, "LunB", 1000, 512);
    scsi->serviceTime = 0.0005;
    testing::internal::CaptureStderr();
    runAll();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(scsi->received.size(), 5u);
    EXPECT_EQ(rootLong("netIoNum"), 5);
    EXPECT_TRUE(rootBool("ioDone"));
    const std::string text = "IO Generation Table Gen[1] of host Velmora.Host1 names LUN \"DC1_ORA_LGO\", which no "
                             "path announced: its 150 IOs were never generated";
    // Once, when the last of the five I/Os completed (3 ms after its LUNs
    // came up, the last I/O issued 2.5 ms after the first).
    const auto log = readLines("Warnings.log");
    ASSERT_EQ(log.size(), 3u) << readFile("Warnings.log");
    EXPECT_EQ(log[2], col("0", 10) + num(3.5, 4, 15) + col("Velmora.Host1.IoGen", 62) + "WARNING: " + text);
    EXPECT_EQ(err, "<!> Warning in module Velmora.Host1.IoGen: " + text + "\n");
}

TEST_F(IoGenTest, SkippedScsiIoGeneratesNothingAndEndsTheIoSideAtOnce)
{
    root->par("skipScsiIo").setBoolValue(true);
    root->par("evDone").setBoolValue(true);
    ScsiLayerStandIn* scsi =
        genHost("Host1", workload("LunA 5 0 Seq\n", "Seq 100 Big Walk Every\n", "Big const_size 0 64 - -\n",
                                  "Walk seq_block 0 0 - -\n", EVERY_MS));
    scsi->announce(0.001, "LunA", 100, 8192);
    runAll();
    EXPECT_TRUE(scsi->received.empty());
    EXPECT_EQ(rootLong("netIoNum"), 0);
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_TRUE(rootBool("simDone"));
    // The first statistics row is never written.
    EXPECT_EQ(readLines("out/iogen/Velmora.Host1.IoGen.IoGenStat").size(), 3u);
}

TEST_F(IoGenTest, SkippedScsiIoWithoutTablesStillEndsTheIoSide)
{
    root->par("skipScsiIo").setBoolValue(true);
    ScsiLayerStandIn* scsi = genHost("Host1", workload("", "", "", "", ""));
    runAll();
    EXPECT_TRUE(scsi->received.empty());
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_FALSE(rootBool("simDone"));
    EXPECT_EQ(rootLong("hostNum"), 1);
    EXPECT_FALSE(std::filesystem::exists("out/iogen/Velmora.Host1.IoGen.IoGenStat"));
    EXPECT_FALSE(std::filesystem::exists("out/iogen/Velmora.Host1.IoGen.IoGenTbl"));
}

TEST_F(IoGenTest, DistributionsDrawWithTheirParametersAsGivenAndSizesAreScaledAfterwards)
{
    root->par("maxIoGen").setLongValue(16);
    const char* names[] = {"LogN", "Binom", "Geom", "Beta", "NegBin", "Poisson", "Bern", "Weib", "LogNInf"};
    std::string tables, patterns;
    for (const char* n : names) {
        tables += std::string("LunC 200 0 ") + n + "\n";
        patterns += std::string(n) + " 50 " + n + " Start Fast\n";
    }
    const std::string sizes = "LogN lognormal 3 3 0.1 -\nBinom binomial 4 10 0.5 -\nGeom geometric 5 0.5 - -\n"
                              "Beta beta 6 2 2 -\nNegBin negbinomial 7 3 0.5 -\nPoisson poisson 8 4 - -\n"
                              "Bern bernoulli 9 0.5 - -\nWeib weibull 10 2 3 -\nLogNInf lognormal 11 800 1 -\n";
    ScsiLayerStandIn* scsi = genHost("Host1", workload(tables, patterns, sizes, "Start const_size 0 0 - -\n",
                                                       "Fast const_gap 0 - - - - - 0.1 - -\n"));
    scsi->announce(0, "LunC", 1000000, 512);
    runAll();

    std::map<long, std::vector<long>> sizesOf = sizesByTable(scsi);
    ASSERT_EQ(sizesOf.size(), 9u);
    auto mean = [](const std::vector<long>& v) {
        double sum = 0;
        for (long x : v)
            sum += static_cast<double>(x);
        return sum / static_cast<double>(v.size());
    };
    auto wholeKb = [](const std::vector<long>& v) {
        return std::all_of(v.begin(), v.end(), [](long s) { return s == 1 || s % 1024 == 0; });
    };
    for (const auto& [id, v] : sizesOf)
        ASSERT_EQ(v.size(), 200u) << names[id];

    // e^3 KB, about 20 KB, not e^3072.
    for (long s : sizesOf[0]) {
        EXPECT_GT(s, 13000);
        EXPECT_LT(s, 31000);
    }
    EXPECT_TRUE(wholeKb(sizesOf[1]));
    EXPECT_NEAR(mean(sizesOf[1]), 5 * 1024, 800);
    EXPECT_TRUE(wholeKb(sizesOf[2]));
    EXPECT_NEAR(mean(sizesOf[2]), 1024, 400);
    // A beta draw is a fraction of one KB.
    EXPECT_LE(*std::max_element(sizesOf[3].begin(), sizesOf[3].end()), 1024);
    EXPECT_NEAR(mean(sizesOf[3]), 512, 80);
    EXPECT_TRUE(wholeKb(sizesOf[4]));
    EXPECT_NEAR(mean(sizesOf[4]), 3 * 1024, 700);
    EXPECT_NEAR(mean(sizesOf[5]), 4 * 1024, 600);
    const long ones = std::count(sizesOf[6].begin(), sizesOf[6].end(), 1L);
    const long kbs = std::count(sizesOf[6].begin(), sizesOf[6].end(), 1024L);
    EXPECT_EQ(ones + kbs, 200);
    EXPECT_GT(ones, 60);
    EXPECT_GT(kbs, 60);
    EXPECT_NEAR(mean(sizesOf[7]), 1.79 * 1024, 300);
    // An infinite draw is the largest I/O, not a crash.
    for (long s : sizesOf[8])
        EXPECT_EQ(s, 1048576);
}

// A shape or scale of 0 is a valid setting that leaves its distribution at
// one point: the stream runs, with every I/O of the size that point gives,
// and a gap of mean 0 issues a stream's I/Os all at once.
TEST_F(IoGenTest, DistributionsWithAShapeOrScaleOfZeroDrawTheirOnePoint)
{
    root->par("maxIoGen").setLongValue(16);
    const char* names[] = {"ExpZero", "GammaShape", "GammaScale", "BetaLow", "BetaHigh", "WeibZero", "ParetoZero"};
    std::string tables, patterns;
    for (const char* n : names) {
        tables += std::string("LunC 20 0 ") + n + "\n";
        patterns += std::string(n) + " 50 " + n + " Start Fast\n";
    }
    tables += "LunC 5 0 AllAtOnce\n";
    patterns += "AllAtOnce 50 Four Start Instant\n";
    const std::string sizes = "ExpZero exponential 3 0 - -\nGammaShape gamma_d 4 0 2 -\nGammaScale gamma_d 5 2 0 -\n"
                              "BetaLow beta 6 0 2 -\nBetaHigh beta 7 2 0 -\nWeibZero weibull 8 0 3 -\n"
                              "ParetoZero pareto_shifted 9 2 0 3\nFour const_size 0 4 - -\n";
    ScsiLayerStandIn* scsi =
        genHost("Host1", workload(tables, patterns, sizes, "Start const_size 0 0 - -\n",
                                  "Fast const_gap 0 - - - - - 0.1 - -\nInstant exponential 10 - - - - - 0 - -\n"));
    scsi->announce(0, "LunC", 1000000, 512);
    runAll();

    std::map<long, std::vector<long>> sizesOf = sizesByTable(scsi);
    const long expected[] = {1, 1, 1, 1, 1024, 1, 3072};
    for (long id = 0; id < 7; ++id) {
        SCOPED_TRACE(names[id]);
        ASSERT_EQ(sizesOf[id].size(), 20u);
        for (long s : sizesOf[id])
            EXPECT_EQ(s, expected[id]);
    }
    const auto atOnce = ofTable(scsi, 7);
    ASSERT_EQ(atOnce.size(), 5u);
    for (const auto& io : atOnce)
        EXPECT_EQ(io.time, 0.0);
    EXPECT_EQ(rootLong("netIoNum"), 145);
    EXPECT_EQ(readFile("Warnings.log"), "");
}

TEST_F(IoGenTest, AGapDrawThatIsNotFiniteEndsTheRun)
{
    ScsiLayerStandIn* scsi =
        genHost("Host1", workload("LunA 5 0 Slow\n", "Slow 100 Big Walk Never\n", "Big const_size 0 4 - -\n",
                                  "Walk seq_block 0 0 - -\n", "Never lognormal 0 - - - - - 1000 1 -\n"));
    scsi->announce(0, "LunA", 100, 8192);
    EXPECT_EQ(runError(), "---> \"LunA\" : gap draw of Gap Pattern \"Never\" is not finite in IO Generation Table "
                          "Gen[0]");
}

TEST_F(IoGenTest, SelfSimilarGapsFollowTheSourceSetAndRepeatFromTheSeed)
{
    auto run = [this](uint64_t seed) {
        setRandomSeed(31, seed);
        ScsiLayerStandIn* scsi =
            genHost("Host1",
                    workload("LunA 40 0 Burst\nLunB 10 0 Idle\n", "Burst 50 Big Any Pareto\nIdle 50 Big Any None\n",
                             "Big const_size 0 4 - -\n", "Any const_size 0 0 - -\n",
                             "Pareto self_sim 5 10 1.4 1.2 20000 4 - - -\nNone self_sim 5 10 1.4 1.2 20000 0 - - -\n"));
        scsi->announce(0, "LunA", 100, 8192);
        scsi->announce(0, "LunB", 100, 8192);
        runAll();
        std::vector<double> times;
        for (const auto& io : ofTable(scsi, 0))
            times.push_back(io.time);
        // Without sources the source set stays at time 0: every gap is 0.
        for (const auto& io : ofTable(scsi, 1))
            EXPECT_EQ(io.time, 0.0);
        EXPECT_EQ(ofTable(scsi, 1).size(), 10u);
        return times;
    };
    const std::vector<double> first = run(7);
    ASSERT_EQ(first.size(), 40u);
    EXPECT_EQ(first[0], 0.0);
    // One packet and the 8-byte gap take 520 byte times of 0.08 us.
    for (size_t i = 1; i < first.size(); ++i)
        EXPECT_GE(first[i] - first[i - 1], 520 / 12500000.0 - 1e-12);
    TearDown();
    SetUp();
    EXPECT_EQ(run(7), first);
    TearDown();
    SetUp();
    EXPECT_NE(run(8), first);
}

TEST_F(IoGenTest, ALunWithoutBlocksCannotStartAStream)
{
    ScsiLayerStandIn* scsi =
        genHost("Host1", workload("LunA 5 0 Seq\n", "Seq 100 Big Walk Every\n", "Big const_size 0 4 - -\n",
                                  "Walk seq_block 0 0 - -\n", EVERY_MS));
    scsi->announce(0, "LunA", 0, 512);
    EXPECT_EQ(runError(), "---> \"LunA\" : LUN of 0 blocks of 512 bytes cannot take IO");
}

// Block patterns that reach past the end of their LUN are not refused (the
// same workload may serve a larger LUN), but the run says what becomes of
// them: a sequential stream that starts beyond the end issues nothing, a
// random range wholly beyond it sends every I/O to the last block, and one
// partly beyond it the share of its I/Os that lies beyond. Ranges that end
// within the LUN pass unremarked.
TEST_F(IoGenTest, BlockPatternsBeyondTheEndOfTheirLunAreWarnedOf)
{
    ScsiLayerStandIn* scsi = genHost(
        "Host1", workload("LunA 5 0 Seq\nLunB 3 0 Rand\nLunB 3 0 Part\nLunB 3 0 Half\nLunB 3 0 Fits\nLunB 3 0 Edge\n",
                          "Seq 100 Small Walk Every\nRand 100 Small Wide Every\nPart 100 Small Over Every\n"
                          "Half 100 Small Tail Every\nFits 100 Small Whole Every\nEdge 100 Small ToEnd Every\n",
                          "Small const_size 0 8 - -\n",
                          "Walk seq_block 0 150 - -\nWide intuniform 1 200 500 -\nOver intuniform 1 0 124 -\n"
                          "Tail uniform 1 50 130 -\nWhole intuniform 1 0 99 -\nToEnd uniform 1 0 100 -\n",
                          EVERY_MS));
    scsi->announce(0.01, "LunA", 100, 8192);
    scsi->announce(0.01, "LunB", 100, 8192);
    scsi->serviceTime = 0.0005;
    ::testing::internal::CaptureStderr();
    runAll();
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string log = readFile("Warnings.log");
    for (const std::string w :
         {"WARNING: \"LunA\" : Block Pattern \"Walk\" starts beyond the last of the LUN's 100 blocks; none of its I/Os "
          "will be issued. Please check section [3.1.2] of the file \"Host1.conf\"",
          "WARNING: \"LunB\" : Block Pattern \"Wide\" lies beyond the last of the LUN's 100 blocks; all its I/Os "
          "will go to the last block. Please check section [3.1.2] of the file \"Host1.conf\"",
          "WARNING: \"LunB\" : Block Pattern \"Over\" reaches beyond the last of the LUN's 100 blocks; 20 % of its "
          "I/Os will go to the last block. Please check section [3.1.2] of the file \"Host1.conf\"",
          "WARNING: \"LunB\" : Block Pattern \"Tail\" reaches beyond the last of the LUN's 100 blocks; 37.5 % of "
          "its I/Os will go to the last block. Please check section [3.1.2] of the file \"Host1.conf\""}) {
        EXPECT_NE(log.find(w), std::string::npos) << w << "\n" << log;
        EXPECT_NE(err.find("<!> Warning in module Velmora.Host1.IoGen: " + w.substr(9)), std::string::npos) << w << "\n"
                                                                                                            << err;
    }
    EXPECT_EQ(log.find("Whole"), std::string::npos) << log;
    EXPECT_EQ(log.find("ToEnd"), std::string::npos) << log;
    // LunA issued nothing; LunB ran its fifteen, none past its last block.
    EXPECT_EQ(rootLong("rawIoNum"), 20);
    EXPECT_EQ(rootLong("netIoNum"), 15);
    for (const auto& io : scsi->received)
        EXPECT_LE(io.blkAddr, 99);
}

// A sequential stream that starts beyond its LUN's end issues nothing, and
// the I/O phase waits for the streams whose LUNs are announced after it:
// the phase ends with the last completion of Host2's three I/Os, and only
// Host1's stream is warned of.
TEST_F(IoGenTest, AStreamThatCannotRunLeavesTheIoPhaseToTheStreamsStillToCome)
{
    ScsiLayerStandIn* a =
        genHost("Host1", workload("LunA 5 0 Seq\n", "Seq 100 Small Walk Every\n", "Small const_size 0 8 - -\n",
                                  "Walk seq_block 0 150 - -\n", EVERY_MS));
    ScsiLayerStandIn* b =
        genHost("Host2", workload("LunB 3 0 Rnd\n", "Rnd 50 Small Any Every\n", "Small const_size 0 8 - -\n",
                                  "Any intuniform 2 0 99 -\n", EVERY_MS));
    a->announce(0.001, "LunA", 100, 8192);
    b->announce(0.004, "LunB", 100, 8192);
    b->serviceTime = 0.0005;
    evDoneAt(0.002);
    PhaseFlags before;
    phaseAt(0.003, before);
    ::testing::internal::CaptureStderr();
    runAll();
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_FALSE(before.ioDone);
    EXPECT_FALSE(before.simDone);
    EXPECT_TRUE(a->received.empty());
    ASSERT_EQ(b->received.size(), 3u);
    ASSERT_EQ(b->completions.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(b->completions[i], 0.0045 + 0.001 * static_cast<double>(i), 1e-12);
    EXPECT_EQ(rootLong("rawIoNum"), 8);
    EXPECT_EQ(rootLong("netIoNum"), 3);
    EXPECT_EQ(rootLong("netIoComp"), 3);
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_TRUE(rootBool("simDone"));
    // One row, Host1's; no table "never generated" and no second end.
    const auto log = readLines("Warnings.log");
    ASSERT_EQ(log.size(), 3u) << readFile("Warnings.log");
    EXPECT_EQ(log[2], col("0", 10) + num(1, 4, 15) + col("Velmora.Host1.IoGen", 62) +
                          "WARNING: \"LunA\" : Block Pattern \"Walk\" starts beyond the last of the LUN's 100 blocks; "
                          "none of its I/Os will be issued. Please check section [3.1.2] of the file \"Host1.conf\"");
    EXPECT_EQ(err.find("Velmora.Host2"), std::string::npos) << err;
}

// When no stream is left to start, the one that cannot run is the end of
// the I/O phase: Host2's, whose LUN comes up last.
TEST_F(IoGenTest, AStreamThatCannotRunEndsTheIoPhaseWhenNoOtherIsToCome)
{
    const std::string sizes = "Small const_size 0 8 - -\n";
    const std::string blocks = "Walk seq_block 0 150 - -\n";
    ScsiLayerStandIn* a =
        genHost("Host1", workload("LunA 5 0 Seq\n", "Seq 100 Small Walk Every\n", sizes, blocks, EVERY_MS));
    ScsiLayerStandIn* b =
        genHost("Host2", workload("LunB 4 0 Seq\n", "Seq 100 Small Walk Every\n", sizes, blocks, EVERY_MS));
    a->announce(0.001, "LunA", 100, 8192);
    b->announce(0.003, "LunB", 120, 8192);
    evDoneAt(0.0005);
    PhaseFlags between, after;
    phaseAt(0.002, between);
    phaseAt(0.004, after);
    ::testing::internal::CaptureStderr();
    runAll();
    ::testing::internal::GetCapturedStderr();

    EXPECT_FALSE(between.ioDone);
    EXPECT_TRUE(after.ioDone);
    EXPECT_TRUE(after.simDone);
    EXPECT_TRUE(a->received.empty());
    EXPECT_TRUE(b->received.empty());
    EXPECT_EQ(rootLong("rawIoNum"), 9);
    EXPECT_EQ(rootLong("netIoNum"), 0);
    EXPECT_EQ(readFile("Warnings.log").find("never generated"), std::string::npos) << readFile("Warnings.log");
}

} // namespace
