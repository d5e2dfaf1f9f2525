#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>

#include "device/OutputFile.h"
#include "device/WarningsLog.h"
#include "tests/shared/DeviceFixture.h"
#include "tests/shared/TestModules.h"

namespace {

class OutputFileTest : public DeviceTest {
  protected:
    const std::string warnHeader =
        col("Count", 10) + col("SimTime(ms)", 15) + col("Module", 62) + "Message\n" + std::string(140, '-') + "\n";
    static std::string warnRow(int n, const char* ms, const std::string& path, const std::string& text)
    {
        return col(std::to_string(n), 10) + col(ms, 15) + col(path, 62) + text + "\n";
    }
};

// Each row opens with its kind's word, or as its caller wrote it; the run's
// log counts the rows by kind, and a warning given once is given once, while
// the same words about another file are given too. The root gains no
// parameter for what was told.
TEST_F(OutputFileTest, FirstWarningStartsTheLogAndRowsCountOnByKindWithSimulatedMilliseconds)
{
    cModule* host = compound("Host", root);
    const int rootParams = root->params();
    new LambdaModule("IoGen", host, [](LambdaModule& self) {
        warnings(&self, LogKind::WARNING, "first", OpenFailText::QUOTED);
        self.wait(0.0123456);
        warnings(&self, LogKind::NOTICE, "second", OpenFailText::ERROR_BANG);
        warnings(&self, LogKind::ALERT, "third", OpenFailText::QUOTED);
        warnings_as_written(&self, LogKind::WARNING, "Missing FC_FRAME_PAYLOAD", OpenFailText::QUOTED);
        for (const char* file : {"a.conf", "a.conf", "b.conf", "a.conf"})
            user_warning_once(&self, std::string("---> Line 3 of ") + file + " is ignored");
    });
    simulation.callInitialize();
    simulation.run();
    const std::string path = "Velmora.Host.IoGen";
    // The log's directory did not exist before the first warning.
    EXPECT_EQ(readFile("logs/Warnings.log"),
              warnHeader + warnRow(0, "0.0000", path, "WARNING: first") +
                  warnRow(1, "12.3456", path, "NOTICE: second") + warnRow(2, "12.3456", path, "ALERT: third") +
                  warnRow(3, "12.3456", path, "Missing FC_FRAME_PAYLOAD") +
                  warnRow(4, "12.3456", path, "WARNING: ---> Line 3 of a.conf is ignored") +
                  warnRow(5, "12.3456", path, "WARNING: ---> Line 3 of b.conf is ignored"));
    EXPECT_EQ(root->par("warningsCnt").longValue(), 6);
    EXPECT_FALSE(root->par("warnFileNew").boolValue());
    const RunLog& log = RunLog::of_run();
    EXPECT_EQ(log.rows_of(LogKind::WARNING), 4);
    EXPECT_EQ(log.rows_of(LogKind::ALERT), 1);
    EXPECT_EQ(log.rows_of(LogKind::NOTICE), 1);
    EXPECT_EQ(log.warnings(), 5);
    EXPECT_EQ(log.rows(), 6);
    EXPECT_EQ(root->params(), rootParams);
    // A network set up afresh starts a log of its own.
    simulation.deleteNetwork();
    EXPECT_EQ(RunLog::of_run().rows(), 0);
    EXPECT_TRUE(RunLog::of_run().first_time("---> Line 3 of a.conf is ignored"));
}

TEST_F(OutputFileTest, WithTheFlagClearedRowsAreAppendedAndLongPathsPushTheTextRight)
{
    root->par("warnFileNew").setBoolValue(false);
    root->par("warningsCnt").setLongValue(7);
    root->par("warningsFile").setStringValue("old.log");
    writeFile("old.log", "kept\n");
    cModule* deep = compound("AVeryLongSubmoduleNameThatGoesOnAndOn", compound("DataCentre1", root));
    deep = compound("ControlMemoryAndCacheProcessor", deep);
    ASSERT_GT(deep->fullPath().size(), 62u);
    warnings(deep, LogKind::ALERT, "x", OpenFailText::QUOTED);
    EXPECT_EQ(readFile("old.log"), "kept\n" + col("7", 10) + col("0.0000", 15) + deep->fullPath() + "ALERT: x\n");
}

TEST_F(OutputFileTest, ALogThatCannotBeOpenedStopsTheRunWithTheCallersText)
{
    cModule* m = compound("Sw", root);
    root->par("warningsFile").setStringValue(".");
    EXPECT_EQ(errorOf([&] { warnings(m, LogKind::WARNING, "w", OpenFailText::QUOTED); }),
              "---> Couldn't open file \".\": Is a directory");
    EXPECT_EQ(errorOf([&] { warnings(m, LogKind::WARNING, "w", OpenFailText::ERROR_BANG); }),
              "ERROR: Couldn't open file . !: Is a directory");
    EXPECT_TRUE(root->par("warnFileNew").boolValue());
    writeFile("plain", "a file, not a directory");
    const std::string e = errorOf([&] { open_output_file(m, "plain/sub/x.txt", true); });
    EXPECT_EQ(e.rfind("---> Couldn't create the directory \"plain/sub\" for the file \"plain/sub/x.txt\": ", 0), 0u)
        << e;
}

// In the run, a file refused at its first opening (here a directory stands
// where the file should be) ends the run as a refused write does: once the
// writer's event is over, so that the messages it holds reach their owners;
// the run's later events do not happen.
TEST_F(OutputFileTest, AFileRefusedAtItsOpeningInTheRunEndsTheRunAfterTheWritersEvent)
{
    std::filesystem::create_directories("out/resp/Velmora.Host.Scsi.IoResp");
    const long liveBefore = cMessage::liveMessageCount();
    bool eventDone = false;
    bool laterEvent = false;
    cModule* host = compound("Host", root);
    new LambdaModule("Scsi", host, [&](LambdaModule& self) {
        self.wait(0.002);
        auto* held = new cMessage("SCSI_CMD_COMP", 0, 0);
        OutputStream out = open_output_file(&self, "out/resp/Velmora.Host.Scsi.IoResp", true);
        out << "row\n";
        out.end_row();
        delete held;
        eventDone = true;
        self.wait(0.001);
        laterEvent = true;
    });
    simulation.callInitialize();
    std::string module;
    EXPECT_EQ(errorOf([] { simulation.run(); }, module),
              "---> Couldn't open file \"out/resp/Velmora.Host.Scsi.IoResp\": Is a directory");
    EXPECT_EQ(module, "Velmora.Host.Scsi");
    EXPECT_TRUE(eventDone);
    EXPECT_FALSE(laterEvent);
    EXPECT_EQ(simulation.simTime(), 0.002);
    // Only the writer's next timer was left, and goes with the network.
    simulation.deleteNetwork();
    EXPECT_EQ(cMessage::liveMessageCount(), liveBefore);
}

TEST_F(OutputFileTest, StatisticsPathsConcatenateTheirPartsAndStreamsAreFixedPointLeftJustified)
{
    cModule* m = compound("Hpc", compound("Host", root));
    const std::string path = output_path(root, "cpuUtilDir", m->fullPath(), ".CpuUtil");
    EXPECT_EQ(path, "out/cpu/Velmora.Host.Hpc.CpuUtil");
    {
        OutputStream out = open_output_file(m, path, true);
        out << std::setw(10) << 12.5 << std::setprecision(0) << 3.0 << "|" << std::setprecision(2) << 1.0 / 3 << "\n";
    }
    EXPECT_EQ(readFile(path), "12.500000 3.|0.33\n");
    open_output_file(m, path, false) << "more\n";
    EXPECT_EQ(readFile(path), "12.500000 3.|0.33\nmore\n");
}

// A file kept open for the run gets its first row at once, later rows a few
// thousand bytes at a time and never a row cut in two, and every row when it
// is finished; what a move takes along keeps that order.
TEST_F(OutputFileTest, AKeptOpenFileTakesWholeRowsInBatchesAndEveryRowAtItsEnd)
{
    cModule* m = compound("Hpc", compound("Host", root));
    const std::string path = output_path(root, "cpuUtilDir", m->fullPath(), ".CpuUtil");
    const auto onDisk = [&] { return readFile(path); };
    const auto row = [](int k) { return std::to_string(k) + std::string(90, '.') + "\n"; };
    OutputStream out = open_output_file(m, path, true);
    out << "header\n" << row(0);
    out.end_row();
    EXPECT_EQ(onDisk(), "header\n" + row(0));
    out << row(1);
    out.end_row();
    EXPECT_EQ(onDisk(), "header\n" + row(0)) << "a second row waits for more";

    std::string all = "header\n" + row(0) + row(1);
    OutputStream moved = std::move(out);
    size_t written = onDisk().size();
    int batches = 0;
    for (int k = 2; k < 200; ++k) {
        moved << row(k);
        moved.end_row();
        all += row(k);
        const std::string text = onDisk();
        ASSERT_EQ(all.compare(0, text.size(), text), 0) << "row " << k;
        ASSERT_EQ(text.back(), '\n') << "row " << k;
        if (text.size() != written)
            ++batches;
        written = text.size();
    }
    EXPECT_GE(batches, 3);
    EXPECT_LE(batches, 10);
    EXPECT_LT(written, all.size());
    moved.finish();
    EXPECT_EQ(onDisk(), all);
}

// A temporary file written over one that is there keeps that file's inode
// and ends where the new text ends; one that is not there is made.
TEST_F(OutputFileTest, AFileWrittenOverKeepsItsInodeAndEndsWithTheNewText)
{
    cModule* m = compound("Sw", root);
    const auto inode = [](const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    writeFile("Lsu7.tmp", "an older and much longer text\nwith two lines\n");
    const ino_t before = inode("Lsu7.tmp");
    OutputStream over = OutputStream::overwriting(m, "Lsu7.tmp");
    over << "12\n";
    over.finish();
    EXPECT_FALSE(over.fail());
    EXPECT_EQ(readFile("Lsu7.tmp"), "12\n");
    EXPECT_EQ(inode("Lsu7.tmp"), before);

    OutputStream fresh = OutputStream::overwriting(m, "Lsu8.tmp");
    fresh << "34\n";
    fresh.finish();
    EXPECT_EQ(readFile("Lsu8.tmp"), "34\n");

    // Over a shorter file, one as long, and one a little longer than a text
    // that goes out in several writes.
    const std::string longText(3 * BUFSIZ + 5, 'x');
    const struct {
        std::string old, text;
    } cases[] = {{"5\n", "6789\n"}, {"abc\n", "def\n"}, {longText + "tail\n", longText}};
    for (const auto& c : cases) {
        writeFile("Lsu9.tmp", c.old);
        OutputStream again = OutputStream::overwriting(m, "Lsu9.tmp");
        again << c.text;
        again.finish();
        EXPECT_FALSE(again.fail());
        EXPECT_EQ(readFile("Lsu9.tmp"), c.text) << c.old.size() << " bytes written over";
    }
}

TEST_F(OutputFileTest, AStatisticsValueThatFillsItsColumnIsFollowedByOneBlank)
{
    cModule* m = compound("Scsi", compound("Host", root));
    const std::string path = output_path(root, "cpuUtilDir", m->fullPath(), ".ActvPath");
    {
        OutputStream out = open_output_file(m, path, true);
        // A LUN name as wide as its column, one wider, one narrower; then
        // numbers in the stream's format, the last exactly as wide as its column.
        out << field(12) << "DC1_ORA_DATA" << field(10) << "DC1_ORA_LOGS" << field(14) << "LUN_A" << 720896 << "\n";
        out << std::setprecision(4) << field(8) << 12.5 << field(9) << 1234.5 << field(6) << 7L << "|\n";
    }
    EXPECT_EQ(readFile(path), "DC1_ORA_DATA DC1_ORA_LOGS LUN_A         720896\n"
                              "12.5000 1234.5000 7     |\n");
}

// Columns format numbers without a stream where they can; the text must be
// the stream's own to the last digit, for every precision the writers set,
// values that round either way, huge and tiny magnitudes, -0, the integer
// limits, and the formats that go back to the stream (scientific, hex,
// values that are not finite).
TEST(FieldText, NumbersInColumnsReadAsTheStreamWritesThem)
{
    std::mt19937_64 draw(7);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.5,
                                  1.5,
                                  2.5,
                                  -2.5,
                                  0.125,
                                  1e-7,
                                  1e300,
                                  -1e21,
                                  123.456,
                                  0.0005,
                                  0.00049999,
                                  9.9995,
                                  1.0 / 3,
                                  12.5,
                                  std::numeric_limits<double>::infinity(),
                                  std::nan(""),
                                  1.7976931348623157e308};
    for (int i = 0; i < 300; ++i)
        values.push_back(
            std::ldexp(std::uniform_real_distribution<double>(-1, 1)(draw), static_cast<int>(i % 80) - 40));
    const auto check = [](auto value, const std::function<void(std::ostream&)>& format) {
        for (int width : {1, 8, 15}) {
            std::ostringstream viaColumn, viaStream, bare;
            for (std::ostream* out : {static_cast<std::ostream*>(&viaColumn), static_cast<std::ostream*>(&viaStream),
                                      static_cast<std::ostream*>(&bare)}) {
                set_output_format(*out);
                format(*out);
            }
            viaColumn << field(width) << value << '|';
            bare << value;
            const bool full = bare.str().size() >= static_cast<size_t>(width);
            viaStream << std::setw(width) << value << (full ? " |" : "|");
            ASSERT_EQ(viaColumn.str(), viaStream.str()) << "width " << width;
        }
    };
    for (double v : values)
        for (int precision : {0, 1, 4, 6, 10}) {
            check(v, [&](std::ostream& out) { out << std::setprecision(precision); });
            check(v, [&](std::ostream& out) { out << std::setprecision(precision) << std::noshowpoint; });
        }
    check(1234.5, [](std::ostream& out) { out << std::scientific; });
    check(0.1f, [](std::ostream& out) { out << std::setprecision(9); });
    for (long v : {0L, -1L, 7L, std::numeric_limits<long>::min(), std::numeric_limits<long>::max()}) {
        check(v, [](std::ostream&) {});
        check(v, [](std::ostream& out) { out << std::hex << std::showbase; });
        check(v, [](std::ostream& out) { out << std::showpos; });
    }
    check(std::numeric_limits<unsigned long>::max(), [](std::ostream&) {});
    check(static_cast<short>(-12), [](std::ostream&) {});
    check(std::string("DC1_ORA_DATA"), [](std::ostream&) {});
    check(std::string("right"), [](std::ostream& out) { out << std::right; });
    check(42L, [](std::ostream& out) { out << std::setfill('*'); });
    check(std::string(300, 'x'), [](std::ostream&) {});
    check(true, [](std::ostream&) {});
    check('x', [](std::ostream&) {});
}

TEST_F(OutputFileTest, PeriodsComeFromRootMillisecondsAndMustBePositive)
{
    cModule* m = compound("EeStat", root);
    root->addPar("eeStatTimeScale").setDoubleValue(250);
    EXPECT_DOUBLE_EQ(time_scale_seconds(m, root, "eeStatTimeScale"), 0.25);
    root->par("eeStatTimeScale").setLongValue(0);
    EXPECT_EQ(errorOf([&] { time_scale_seconds(m, root, "eeStatTimeScale"); }),
              "---> Invalid \"eeStatTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

} // namespace
