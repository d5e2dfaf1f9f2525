#include <filesystem>

#include "tests/disk/DiskFixture.h"

namespace {

// The tiny model's values, by position from 0.
const std::vector<std::string> tinyValues = {"20", "512", "10",  "1",   "0.5", "0.5", "0", "2", "6000",
                                             "2",  "0.5", "0.4", "0.6", "0.1", "1",   "4", "0"};

std::string joined(const std::vector<std::string>& values)
{
    std::string text;
    for (const std::string& v : values)
        text += v + " ";
    return text;
}

class DiskConfigErrorTest : public DiskTest {
  protected:
    // The error of a run whose only disk is of the model M, the tiny model
    // with value `position` replaced by `value`.
    std::string errorWith(int position, const std::string& value, int seekRecords = 20)
    {
        std::vector<std::string> values = tinyValues;
        values[position] = value;
        writeModel("M", joined(values), seekRecords);
        return errorOfModel("M");
    }
    std::string errorOfModel(const std::string& model)
    {
        writeArrayFile("0 0 2 " + model + " 1 N\n");
        group(0, 0, 1, 1, 1);
        return runError();
    }
    // A new network in a new directory, for a test that checks several
    // cases in turn; the old directory goes with everything in it.
    void startAfresh()
    {
        TearDown();
        SetUp();
    }
    static std::string modelError(const std::string& text)
    {
        return "---> \"M\" : " + text + ". Check the file \"M.params.ini\" to make a correction";
    }
};

struct BadValue {
    int position;
    const char* value;
    const char* text;
};

void PrintTo(const BadValue& bad, std::ostream* out)
{
    *out << "value " << bad.position + 1 << " = " << bad.value;
}

class DiskBadValueTest : public DiskConfigErrorTest, public ::testing::WithParamInterface<BadValue> {};

TEST_P(DiskBadValueTest, EndsTheRunNamingTheModelAndItsFile)
{
    EXPECT_EQ(errorWith(GetParam().position, GetParam().value), modelError(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, DiskBadValueTest,
    ::testing::Values(
        BadValue{0, "0", "at least one cylinder must be setup"},
        BadValue{1, "4096", "sector size must be one of the followings: 512, 1024, or 2048 bytes"},
        BadValue{2, "0", "at least one sector per track must be setup"},
        BadValue{3, "0", "at least one band must be setup"}, BadValue{3, "2", "disk bands must be odd number"},
        BadValue{4, "1", "CPB index should be within (0,1)"}, BadValue{4, "0", "CPB index should be within (0,1)"},
        BadValue{5, "1.5", "SPB index should be within (0,1)"},
        BadValue{6, "-1",
                 "L2P_MAP setup incorrect. Please choose 0 for Cylinder-based Mapping or 1 for Band-based "
                 "Mapping"},
        BadValue{6, "2",
                 "L2P_MAP setup incorrect. Please choose 0 for Cylinder-based Mapping or 1 for Band-based "
                 "Mapping"},
        BadValue{7, "0", "at least one head must be setup"}, BadValue{8, "0", "rotation speed should be > zero"},
        BadValue{9, "0", "at least 512 bytes buffer must be setup"}, BadValue{10, "0", "ADD_WR_DELAY should be > zero"},
        BadValue{11, "0", "HEAD_SW_TIME should be > zero"}, BadValue{12, "-0.6", "CYL_SW_TIME should be > zero"},
        BadValue{13, "0", "CTRL_OVER_HEAD should be > zero"}, BadValue{14, "0", "FCAL_DELAY should be > zero"},
        BadValue{15, "0", "CMD_QUE_DPTH should be >= 1"}, BadValue{16, "-1", "CMD_QUE_DELAY should be >= 0"}));

TEST_F(DiskConfigErrorTest, ChecksRunInTheOrderOfTheFile)
{
    std::vector<std::string> values = tinyValues;
    values[3] = "2";
    values[8] = "0";
    writeModel("M", joined(values), 20);
    EXPECT_EQ(errorOfModel("M"), modelError("disk bands must be odd number"));
}

TEST_F(DiskConfigErrorTest, ABandWithoutCylindersEndsTheRun)
{
    // CYL_NUM, BAND_NUM and CPB; the second: many bands that grow slowly, so
    // that the outer bands take all the cylinders.
    const struct {
        const char* cylNum;
        const char* bandNum;
        const char* cpb;
        const char* text;
    } cases[] = {
        {"3", "3", "0.9", "with CYL_NUM 3, BAND_NUM 3 and CPB 0.9, band 1 of bands 0 to 2 gets no cylinder"},
        {"37400", "999", "0.01",
         "with CYL_NUM 37400, BAND_NUM 999 and CPB 0.01, band 595 of bands 0 to 998 gets no cylinder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bandNum);
        startAfresh();
        std::vector<std::string> values = tinyValues;
        values[0] = c.cylNum;
        values[3] = c.bandNum;
        values[4] = c.cpb;
        writeModel("M", joined(values), 0);
        EXPECT_EQ(errorOfModel("M"), modelError(std::string("cylinder boundary calculation fault: ") + c.text));
    }
}

TEST_F(DiskConfigErrorTest, ABandWithoutSectorsPerTrackEndsTheRun)
{
    // 3 bands of 3, 3 and 4 cylinders, one nominal sector per track: the
    // inner bands get less than one.
    std::vector<std::string> values = tinyValues;
    values[0] = "10";
    values[2] = "1";
    values[3] = "3";
    values[4] = "0.01";
    values[5] = "0.9";
    writeModel("M", joined(values), 10);
    EXPECT_EQ(errorOfModel("M"), modelError("cylinder boundary calculation fault: with SEC_PER_TRK 1, CYL_NUM 10, "
                                            "BAND_NUM 3 and SPB 0.9, band 1 of bands 0 to 2 gets no sector per track"));
}

TEST_F(DiskConfigErrorTest, AGeometryPastWhatASectorNumberCarriesEndsTheRun)
{
    // 100,000 cylinders of 16 tracks of 5,000 sectors: 8 billion sectors.
    std::vector<std::string> values = tinyValues;
    values[0] = "100000";
    values[2] = "5000";
    values[7] = "16";
    writeModel("M", joined(values), 1);
    EXPECT_EQ(errorOfModel("M"), modelError("the geometry holds 8000000000 sectors, more than the 4294967295 that a "
                                            "sector number can carry"));
}

TEST_F(DiskConfigErrorTest, AShortOrUnreadableParameterFileNamesTheValue)
{
    std::vector<std::string> values = tinyValues;
    values.pop_back();
    writeModel("M", joined(values), 20);
    EXPECT_EQ(errorOfModel("M"),
              "---> \"M\" : value 17 (CMD_QUE_DELAY) is missing. Check the file \"M.params.ini\" to make a correction");
    startAfresh();
    EXPECT_EQ(errorWith(8, "6k"), "---> \"M\" : value 9 (RPM) reads \"6k\", which is not a number. Check the file "
                                  "\"M.params.ini\" to make a correction");
}

TEST_F(DiskConfigErrorTest, ASeekFileShortOfTheCylindersEndsTheRun)
{
    writeModel("M", joined(tinyValues), 19);
    EXPECT_EQ(errorOfModel("M"),
              "---> \"M.params.ini\" indicates 20 cylinders but \"M.seek.full.ini\" has only 19 cylinder records");
    startAfresh();
    writeModel("M", joined(tinyValues), 0);
    writeFile("M.seek.full.ini", "1 2.0\n2 2.5\nthree 3.0\n");
    EXPECT_EQ(errorOfModel("M"), "---> \"M\" : line 3 reads \"three 3.0\", where seek record 3 should be two numbers. "
                                 "Check the file \"M.seek.full.ini\" to make a correction");
}

// Model files that are no text of numbers are refused saying what they are,
// and text that is not a number in the seek file is shown with its line.
TEST_F(DiskConfigErrorTest, ModelFilesThatAreFoldersEmptyOrOfCrLineEndsEndTheRunSayingSo)
{
    const std::string paramsText = "test model\nnames\n" + joined(tinyValues) + "\n";
    const std::string seekText = "1 2\n2 2.5\n3 3\n4 3.5\n";
    const struct {
        const char* label;
        std::string params; // "": a folder, "-": an empty file
        std::string seek;
        const char* error;
    } cases[] = {
        {"parameter folder", "", seekText, "---> Couldn't open file \"M.params.ini\": it is a folder, not a file"},
        {"empty parameters", "-", seekText, "---> The file \"M.params.ini\" is empty"},
        {"parameters of CR lines", "test model\rnames\r20 512 10 1 0.5 0.5 0 2 6000\r", seekText,
         "---> The file \"M.params.ini\" ends its lines with CR alone, as old Mac editors save them, so that they "
         "read as one line. Please save it with LF line ends"},
        {"seek folder", paramsText, "", "---> Couldn't open file \"M.seek.full.ini\": it is a folder, not a file"},
        {"empty seek file", paramsText, "-", "---> The file \"M.seek.full.ini\" is empty"},
        {"a decimal comma", paramsText, "1 2\n2 2.5\n 3 2,75\n",
         "---> \"M\" : line 3 reads \" 3 2,75\", where seek record 4 should be two numbers. Check the file "
         "\"M.seek.full.ini\" to make a correction"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        startAfresh();
        for (const auto& [file, text] : {std::pair<std::string, std::string>{"M.params.ini", c.params},
                                         std::pair<std::string, std::string>{"M.seek.full.ini", c.seek}}) {
            if (text.empty())
                std::filesystem::create_directory(file);
            else
                writeFile(file, text == "-" ? "" : text);
        }
        EXPECT_EQ(errorOfModel("M"), c.error);
    }
}

// A seek record given twice and a value after the seventeen are read as the
// format says and warned of once for the model.
TEST_F(DiskConfigErrorTest, ARepeatedSeekRecordAndAValueTooManyAreWarnedOf)
{
    root->addPar("warningsFile").setStringValue("Warnings.txt");
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsCnt").setLongValue(0);
    writeFile("M.params.ini", "test model\nnames\n" + joined(tinyValues) + "7\n");
    std::string seek = "1 2.0\n2 2.5\n2 2.5\n";
    for (int d = 3; d <= 20; ++d)
        seek += std::to_string(d) + " 3.0\n";
    writeFile("M.seek.full.ini", seek);
    writeArrayFile("0 0 2 M 2 N\n");
    group(0, 0, 2, 1, 1);
    EXPECT_EQ(runError(), "");
    const std::string log = readFile("Warnings.txt");
    const auto count = [&log](const std::string& part) {
        size_t n = 0;
        for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("WARNING: \"M.params.ini\" : \"7\" follows the 17 values of the model and is not read"), 1u) << log;
    EXPECT_EQ(count("WARNING: \"M.seek.full.ini\" : seek record 3 has the distance of the record before it; the seek "
                    "time of a move of d cylinders is that of record d, so the records after it are taken one "
                    "distance off"),
              1u)
        << log;
}

TEST_F(DiskConfigErrorTest, MissingModelFilesEndTheRun)
{
    EXPECT_EQ(errorOfModel("NONE"), "---> Couldn't open file \"NONE.params.ini\": No such file or directory");
    startAfresh();
    std::filesystem::remove("TINY6K.seek.full.ini");
    EXPECT_EQ(errorOfModel("TINY6K"), "---> Couldn't open file \"TINY6K.seek.full.ini\": No such file or directory");
}

TEST_F(DiskConfigErrorTest, TheGroupRowOfTheArrayFileIsChecked)
{
    const char* fileText = "Please check section [5] of the file \"array.conf\"";
    writeArrayFile("0 0 2 TINY6K 1 N\n1 3 2 TINY6K 1 N extra\n");
    group(0, 0, 1, 1, 1);
    // The message names the group reading the file, whatever row is at fault.
    EXPECT_EQ(runError(), std::string("---> Acp[0].ArrGrp[0] : at most 6 parameters can be setup. ") + fileText);

    startAfresh();
    writeArrayFile("0 0 2 TINY6K 1\n");
    group(0, 0, 1, 1, 1);
    EXPECT_EQ(runError(), std::string("---> Acp[0].ArrGrp[0] : missing parameter(s). ") + fileText);

    startAfresh();
    writeArrayFile("0 1 2 TINY6K 1 N\n");
    group(0, 0, 1, 1, 1);
    EXPECT_EQ(runError(), std::string("---> Missing settings for Acp[0].ArrGrp[0]. ") + fileText);

    startAfresh();
    device->par("confFile").setStringValue("absent.conf");
    group(0, 0, 1, 1, 1);
    EXPECT_EQ(runError(),
              "---> Couldn't open file \"absent.conf\", the value of Velmora.Dev1.confFile: No such file or directory");
}

TEST_F(DiskConfigErrorTest, TheStatisticsPeriodMustBePositive)
{
    root->par("dskStatTimeScale").setDoubleValue(0);
    group(0, 1, 1);
    EXPECT_EQ(runError(), "---> Invalid \"dskStatTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

// Values that no disk has, and seek records that no disk has, are refused
// before any arithmetic is done with them, naming the file; a seek table
// whose times fall as the distance grows is only warned of.
TEST_F(DiskConfigErrorTest, CountsAndSeekRecordsBeyondAnyDiskAreRefusedNamingTheFile)
{
    const struct {
        int position;
        const char* value;
        const char* text;
    } counts[] = {
        {0, "1000000000000", "value 1 (CYL_NUM) is 1000000000000, more than the 10000000 that a disk model may have"},
        {2, "9223372036854775807",
         "value 3 (SEC_PER_TRK) is 9223372036854775807, more than the 100000 that a disk model may have"},
        {3, "100000001", "value 4 (BAND_NUM) is 100000001, more than the 999 that a disk model may have"},
        {6, "4294967297", "value 7 (L2P_MAP) is 4294967297, more than the 2147483647 that a disk model may have"},
        {9, "9007199254740993",
         "value 10 (BUF_KB) is 9007199254740993, more than the 16777216 that a disk model may "
         "have"},
    };
    for (const auto& c : counts) {
        SCOPED_TRACE(c.text);
        simulation.deleteNetwork();
        SetUp();
        EXPECT_EQ(errorWith(c.position, c.value), modelError(c.text));
    }
    simulation.deleteNetwork();
    SetUp();
    EXPECT_EQ(errorWith(10, "inf"), "---> \"M\" : value 11 (ADD_WR_DELAY) reads \"inf\", which is not a number. "
                                    "Check the file \"M.params.ini\" to make a correction");

    const struct {
        const char* record;
        const char* text;
    } seeks[] = {
        {"3 1e308\n", "seek record 3 has the time 1e+308 ms, which must be within [0,60000]"},
        {"3 -1\n", "seek record 3 has the time -1 ms, which must be within [0,60000]"},
        {"1e300 2\n", "seek record 3 has the distance 1e+300, which must be within [0,1e+09]"},
    };
    for (const auto& c : seeks) {
        SCOPED_TRACE(c.text);
        simulation.deleteNetwork();
        SetUp();
        writeModel("M", joined(tinyValues), 0);
        std::string seek = std::string("1 2.0\n2 2.5\n") + c.record;
        for (int d = 4; d <= 20; ++d)
            seek += std::to_string(d) + " 3.0\n";
        writeFile("M.seek.full.ini", seek);
        EXPECT_EQ(errorOfModel("M"),
                  std::string("---> \"M\" : ") + c.text + ". Check the file \"M.seek.full.ini\" to make a correction");
    }

    // Falling times: the run goes on, and the warnings log says where.
    simulation.deleteNetwork();
    SetUp();
    writeModel("M", joined(tinyValues), 0);
    std::string seek = "1 2.0\n2 2.5\n3 2.25\n";
    for (int d = 4; d <= 20; ++d)
        seek += std::to_string(d) + " 3.0\n";
    writeFile("M.seek.full.ini", seek);
    root->addPar("warningsFile").setStringValue("Warnings.txt");
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsCnt").setLongValue(0);
    EXPECT_EQ(errorOfModel("M"), "");
    const std::string log = readFile("Warnings.txt");
    EXPECT_NE(log.find("WARNING: \"M.seek.full.ini\" : the seek time of record 3 is shorter than that of the record "
                       "before it"),
              std::string::npos)
        << log;
}

} // namespace
