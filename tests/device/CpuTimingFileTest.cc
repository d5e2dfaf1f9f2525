#include "device/CpuTimingFile.h"
#include "sim/ObjectAddress.h"
#include "tests/shared/DeviceFixture.h"

namespace {

class CpuTimingFileTest : public DeviceTest {
  protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        proc = compound("Proc", root);
    }
    // The error of reading a model "M" whose file is `text`, for tasks T1 and T2.
    std::string errorFor(const std::string& text)
    {
        writeFile("M.ini", text);
        return errorOf([&] { CpuTimingFile(proc, "M", "Node", false).read({"T1", "T2"}); });
    }
    cModule* proc = nullptr;
};

TEST_F(CpuTimingFileTest, ProcessorsPublishOnThemselvesAndOnlyTheFirstOfAModelAndRoleWritesRows)
{
    root->par("timingFileNew").setBoolValue(false);
    writeFile("Timing.txt", "earlier rows\n");
    writeFile("Cpu.ini", "[1]\nclocks\n500 250\n[2]\nTaskName a b c\nT2 1000 1 1\nT1 2000,10 2 0.5\n");
    cModule* other = compound("Proc2", root);
    CpuTiming t = extract_cpu_timing(proc, "Cpu", {"T1", "T2"}, "Node");
    CpuTiming again = extract_cpu_timing(other, "Cpu", {"T1", "T2"}, "Node");
    EXPECT_TRUE(root->hasPar("Cpu_For_Node"));
    EXPECT_DOUBLE_EQ(proc->par("cpuClock").doubleValue(), 500);
    EXPECT_DOUBLE_EQ(other->par("memClock").doubleValue(), 250);
    EXPECT_EQ(object_at<TaskTiming>(proc->par("T1").longValue()), t.tasks[0]);
    EXPECT_EQ(t.tasks[0]->instrNumStddev, 10);
    EXPECT_NE(again.tasks[1], t.tasks[1]);
    EXPECT_EQ(object_at<TaskTiming>(other->par("T2").longValue()), again.tasks[1]);
    const std::string rows = timingRow("T2", "6.000") + timingRule() + timingRow("T1", "12.000", "Cpu", "Node");
    EXPECT_EQ(readFile("Timing.txt"), "earlier rows\n" + rows);
    extract_cpu_timing(compound("Ctrl", root), "Cpu", {"T2", "T1"}, "Array");
    EXPECT_EQ(readFile("Timing.txt"), "earlier rows\n" + rows + timingRow("T2", "6.000", "Cpu", "Array") +
                                          timingRow("T1", "12.000") + timingRule());
}

TEST_F(CpuTimingFileTest, EveryCheckOfTheFileStopsTheRunWithItsMessage)
{
    const std::string s1 = " Please check section [1] of the file \"M.ini\"";
    const std::string s2 = " Please check section [2] of the file \"M.ini\"";
    const std::string clocks = "[1]\nhead\n400 100\n[2]\nTaskName a b c\n";
    const std::string t2 = "T2 1 1 1\n";
    const std::pair<std::string, std::string> cases[] = {
        {"[1]\nhead\n400 100 3\n", "---> Hardware clock setup incorrect : at most 2 parameters can be setup." + s1},
        {"[1]\nhead\n400\n", "---> Hardware clock setup incorrect : missing parameter(s)." + s1},
        {"[1]\nhead\n0 100\n", "---> CPU clock setup incorrect : clock must > 0MHz." + s1},
        {"[1]\nhead\n400 -5\n", "---> MEM clock setup incorrect : clock must > 0MHz." + s1},
        {"[1]\nhead\n[2]\n400 100\n",
         "---> Missing timing setup for CPU_Clock." + s1 + "\n---> Missing timing setup for MEM_Clock." + s1},
        {"no sections at all\n",
         "---> Missing timing setup for CPU_Clock." + s1 + "\n---> Missing timing setup for MEM_Clock." + s1},
        {clocks + "TaskName INSTR_NUM CPU_CYL_INS MEM_REF_INS Extra\n",
         "---> \"TaskName\" timing setup incorrect : at most 4 parameters can be setup." + s2},
        {clocks + "T1 1 1\n", "---> \"T1\" timing setup incorrect : missing parameter(s)." + s2},
        {clocks + t2 + "T1 1 1 1\nT2 5 5 5\n", "---> Found duplicate task name \"T2\" :" + s2},
        {clocks + t2, "---> Missing timing elements for task \"T1\"." + s2},
        {clocks,
         "---> Missing timing elements for task \"T1\"." + s2 + "\n---> Missing timing elements for task \"T2\"." + s2},
        {clocks + t2 + "T1 1 1,1 1\n",
         "---> Timing setup incorrect for task \"T1\" : mean CPU_CYL_INS must > stddev CPU_CYL_INS." + s2},
        // Numbers are decimal and must fit; text that is none reads as 0.
        {"[1]\nhead\n1e400 100\n",
         "---> field 1 \"1e400\" of line 3 is out of range: CPU_Clock must be within (0,100000] MHz. Please "
         "check section [1] of the file \"M.ini\""},
        {"[1]\nhead\n18446744073709551616 100\n", "---> field 1 \"18446744073709551616\" of line 3 is out of range: "
                                                  "CPU_Clock must be within (0,100000] MHz. Please check section [1] "
                                                  "of the file \"M.ini\""},
        {"[1]\nhead\ninf 100\n", "---> CPU clock setup incorrect : clock must > 0MHz." + s1},
        {"[1]\nhead\n0x190 100\n", "---> CPU clock setup incorrect : clock must > 0MHz." + s1},
        {clocks + t2 + "T1 1e400 1 1\n",
         "---> Timing setup incorrect for task \"T1\" : INSTR_NUM \"1e400\" is out of range." + s2},
        {clocks + t2 + "T1 5 1 1,1e999\n",
         "---> Timing setup incorrect for task \"T1\" : MEM_REF_INS \"1,1e999\" is out of range." + s2},
        {clocks + t2 + "T1 nan 1 1\n", "---> Timing setup incorrect for task \"T1\" : mean INSTR_NUM must > 0." + s2},
        {clocks + t2 + "T1 1e200 1e200 1\n",
         "---> Timing setup incorrect for task \"T1\" : mean INSTR_NUM 1e+200 must be within (0,1e+12]." + s2},
        {"[1]\nhead\n400 1e-300\n[2]\nTaskName a b c\nT2 1 1 1\nT1 1e12 1 100\n",
         "---> Timing setup incorrect for task \"T1\" : its time is out of range." + s2},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(errorFor(text), message) << text;
    EXPECT_EQ(errorFor(clocks + t2 + "T1 10,0 1 1\n"), "");
    EXPECT_EQ(errorOf([&] { CpuTimingFile(proc, "Nowhere", "Node", false).read({"T1"}); }),
              "---> Couldn't open file \"Nowhere.ini\": No such file or directory");
}

TEST_F(CpuTimingFileTest, FieldChecksRunInOrderForEachQuantity)
{
    const std::string head = "[1]\nhead\n400 100\n[2]\nTaskName a b c\nT2 1 1 1\nT1";
    const char* names[] = {"INSTR_NUM", "CPU_CYL_INS", "MEM_REF_INS"};
    const char* bad[] = {"0,0", "5,-1", "5,5"};
    const char* good = "5,1";
    for (int q = 0; q < 3; ++q)
        for (int c = 0; c < 3; ++c) {
            std::string fields;
            for (int i = 0; i < 3; ++i)
                fields += std::string(" ") + (i == q ? bad[c] : i > q ? bad[(c + 1) % 3] : good);
            const std::string n = names[q];
            const std::string what[] = {"mean " + n + " must > 0", "stddev " + n + " must >= 0",
                                        "mean " + n + " must > stddev " + n};
            EXPECT_EQ(errorFor(head + fields + "\n"), "---> Timing setup incorrect for task \"T1\" : " + what[c] +
                                                          ". Please check section [2] of the file \"M.ini\"")
                << fields;
        }
}

// A timing file saved with a byte-order mark is read as one without. Numbers
// keep the conversion stored files rely on, but a clock or a timing field
// cut short is warned of, once for all the processors of the model.
TEST_F(CpuTimingFileTest, NumbersCutShortAreReadAsBeforeAndWarnedOfOncePerModel)
{
    writeFile("M.ini", "\xEF\xBB\xBF[1]\nhead\n1GHz 100MHz\n[2]\nTaskName a b c\n"
                       "T1 8,000,800 2 0.5\nT2 1000,10 1.5e0x 1\n");
    CpuTiming first = extract_cpu_timing(proc, "M", {"T1", "T2"}, "Node");
    extract_cpu_timing(compound("Proc2", root), "M", {"T1", "T2"}, "Node");
    EXPECT_DOUBLE_EQ(first.cpuClock, 1);
    EXPECT_DOUBLE_EQ(first.memClock, 100);
    EXPECT_EQ(first.tasks[0]->instrNumMean, 8);
    EXPECT_EQ(first.tasks[0]->instrNumStddev, 0);
    EXPECT_EQ(first.tasks[1]->instrNumStddev, 10);
    EXPECT_EQ(first.tasks[1]->cpuCylInsMean, 1.5);

    const std::string in = " Please check section [1] of the file \"M.ini\"";
    const std::string in2 = " Please check section [2] of the file \"M.ini\"";
    const std::vector<std::string> told = {
        "---> Line 3, field 1 \"1GHz\" reads as 1: the text after the number is ignored." + in,
        "---> Line 6, field 2 \"8,000,800\" reads as mean 8 and stddev 0: the text after them is ignored." + in2,
        "---> Line 7, field 3 \"1.5e0x\" reads as mean 1.5 and stddev 0: the text after them is ignored." + in2,
    };
    const auto log = readLines("logs/Warnings.log");
    ASSERT_EQ(log.size(), 2 + told.size()) << readFile("logs/Warnings.log");
    for (size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(log[2 + i].substr(log[2 + i].find("WARNING: ")), "WARNING: " + told[i]);
}

} // namespace
