#include <sys/stat.h>

#include <filesystem>

#include "device/ConfigFileReader.h"
#include "device/InputFile.h"
#include "tests/shared/DeviceFixture.h"

namespace {

std::vector<std::string> rowsOf(ConfigFileReader& file)
{
    std::vector<std::string> rows;
    ConfigRow row;
    while (file.nextRow(row))
        rows.push_back(row.text(0) + "/" + std::to_string(row.count()));
    return rows;
}

TEST(ConfigRow, SplitsOnRunsOfBlanksAndTabsAndStopsAtCommentsAndLineEnds)
{
    EXPECT_EQ(ConfigRow::split("0\t 2  100\tI ; 8 0"), (std::vector<std::string>{"0", "2", "100", "I"}));
    EXPECT_EQ(ConfigRow::split("a b\rc d"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ConfigRow::split("a;b"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(ConfigRow::split("  \t").empty());
}

TEST(ConfigRow, ConvertsFieldsByPosition)
{
    ConfigRow row("100.0 1e2 x9 -7 - Initiator", 3);
    EXPECT_EQ(row.count(), 6);
    EXPECT_EQ(row.asLong(0), 100);
    EXPECT_DOUBLE_EQ(row.asDouble(1), 100.0);
    EXPECT_EQ(row.asLong(2), 0);
    EXPECT_EQ(row.asLong(3), -7);
    EXPECT_TRUE(row.isDash(4));
    EXPECT_FALSE(row.isDash(3));
    EXPECT_EQ(row.asLongOrDash(4), -1);
    EXPECT_EQ(row.asLongOrDash(3), -7);
    EXPECT_EQ(row.asFlag(5), 'I');
    EXPECT_EQ(row.text(6), "");
    EXPECT_EQ(row.asLong(6), 0);
    EXPECT_EQ(row.asFlag(6), '\0');
    EXPECT_EQ(row.lineNumber(), 3);
}

TEST_F(DeviceTest, MarkerWithTrailingTextOpensItsSectionButALongerMarkerDoesNot)
{
    writeFile("a.conf", "[2.1] not this one\nhead\n9 9\n[2] ports follow\nhead\n1 a\n2 b c\n");
    ConfigFileReader file(root, "a.conf");
    ASSERT_TRUE(file.openSection("[2]"));
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"1/2", "2/3"}));
    EXPECT_FALSE(file.openSection("[3]"));
}

TEST_F(DeviceTest, SkippedLinesNeverBecomeHeaderOrRows)
{
    writeFile("a.conf", "[1]\n;header that is a comment\n\n\t1 tabbed\n  2 blank\n\r\nreal header\n3\n ;x\n4\t5");
    ConfigFileReader file(root, "a.conf");
    ASSERT_TRUE(file.openSection("[1]"));
    // The section runs to the end of the file; its last line has no newline.
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"3/1", "4/2"}));
    ConfigRow row;
    EXPECT_FALSE(file.nextRow(row));
}

TEST_F(DeviceTest, EndMarkerEndsTheSectionAndOpensTheNextOne)
{
    writeFile("a.conf", "[3]\nhead\nio1\n[2] counts as a row\n[3.1]\nhead\np1\np2\n[3.1.1]\n[3.1.2]\nhead\nb1\n");
    ConfigFileReader file(root, "a.conf");
    ASSERT_TRUE(file.openSection("[3]", "[3.1]"));
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"io1/1", "[2]/5"}));
    ASSERT_TRUE(file.openSection("[3.1]", "[3.1.1]"));
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"p1/1", "p2/1"}));
    // An end marker right after the marker leaves the section without header or rows.
    ASSERT_TRUE(file.openSection("[3.1.1]", "[3.1.2]"));
    EXPECT_TRUE(rowsOf(file).empty());
    ASSERT_TRUE(file.openSection("[3.1.2]"));
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"b1/1"}));
}

TEST_F(DeviceTest, RowsLongerThan255CharactersStopTheRunButLongCommentsDoNot)
{
    const std::string row255 = "x " + std::string(253, 'y');
    writeFile("a.conf", "[1]\nhead\n;" + std::string(400, 'c') + "\n" + row255 + "\r\n" + row255 + "z\n");
    ConfigFileReader file(root, "a.conf");
    ASSERT_TRUE(file.openSection("[1]"));
    ConfigRow row;
    ASSERT_TRUE(file.nextRow(row));
    EXPECT_EQ(row.text(1).size(), 253u);
    EXPECT_EQ(errorOf([&] { file.nextRow(row); }),
              "---> Line 5 is longer than 255 characters. Please check section [1] of the file \"a.conf\"");
}

TEST_F(DeviceTest, NumbersAreDecimalAndOneTooBigStopsTheRunNamingFieldLineSectionAndFile)
{
    writeFile("a.conf", "[2]\nhead\n0x10 -12 99999999999999999999 1e300 .5 inf nan 1e400 -9223372036854775808\n");
    ConfigFileReader file(compound("Dev", root), "a.conf");
    ASSERT_TRUE(file.openSection("[2]"));
    ConfigRow row;
    ASSERT_TRUE(file.nextRow(row));
    struct Case {
        int field;
        bool asLong;
        double value; // when no error
        const char* error;
    };
    const Case cases[] = {
        {0, true, 0, nullptr},
        {0, false, 0, nullptr},
        {1, true, -12, nullptr},
        {2, true, 0, "---> field 3 \"99999999999999999999\" of line 3 is out of range"},
        {2, false, 1e20, nullptr},
        {3, true, 1, nullptr}, // its leading digits
        {3, false, 1e300, nullptr},
        {4, false, 0.5, nullptr},
        {5, false, 0, nullptr},
        {6, false, 0, nullptr},
        {7, false, 0, "---> field 8 \"1e400\" of line 3 is out of range"},
        {8, true, -9223372036854775808.0, nullptr},
    };
    for (const Case& c : cases) {
        double got = 0;
        const std::string error =
            errorOf([&] { got = c.asLong ? static_cast<double>(row.asLong(c.field)) : row.asDouble(c.field); });
        if (c.error)
            EXPECT_EQ(error, std::string(c.error) + ". Please check section [2] of the file \"a.conf\"") << c.field;
        else
            EXPECT_EQ(got, c.value) << c.field << " " << error;
    }
}

// What a reader passes over or cuts short is kept as the format has it, and
// told once per run, however many modules read the line: the line, the field
// as written and what it reads as. A field's own unit after its number is
// no loss and passes quietly.
TEST_F(DeviceTest, WhatARowLosesIsWarnedOfOnceNamingLineFieldAndFile)
{
    writeFile("a.conf", "\xEF\xBB\xBF[2]\nhead\n5e2 1,500 0x1F4 6.4e1 0,002 8KB 100ms 1GHz 2000 100.0 -\n"
                        "  0 2 100 I\n ;only a comment\n\t\n7\n");
    cModule* dev = compound("Dev", root);
    for (int reading = 0; reading < 2; ++reading) {
        ConfigFileReader file(dev, "a.conf");
        ASSERT_TRUE(file.openSection("[2]")) << "the mark hides the marker";
        ConfigRow row;
        ASSERT_TRUE(file.nextRow(row));
        EXPECT_EQ(row.asLong(0), 5);
        EXPECT_EQ(row.asLong(1), 1);
        EXPECT_EQ(row.asLong(2), 0);
        EXPECT_EQ(row.asLong(3), 6);
        EXPECT_EQ(row.asDouble(4), 0);
        EXPECT_EQ(row.asLong(5, "KB"), 8);
        EXPECT_EQ(row.asDouble(6, "ms"), 100);
        EXPECT_EQ(row.asDouble(7, "MHz"), 1);
        EXPECT_EQ(row.asLong(8), 2000);
        EXPECT_EQ(row.asDouble(9), 100);
        EXPECT_EQ(row.asLongOrDash(10, "KB"), -1);
        ASSERT_TRUE(file.nextRow(row));
        EXPECT_EQ(row.text(0), "7");
        EXPECT_EQ(row.lineNumber(), 7);
        EXPECT_FALSE(file.nextRow(row));
    }
    const std::string in = ". Please check section [2] of the file \"a.conf\"";
    const std::vector<std::string> told = {
        "---> Line 3, field 1 \"5e2\" reads as 5: the text after the number is ignored" + in,
        "---> Line 3, field 2 \"1,500\" reads as 1: the text after the number is ignored" + in,
        "---> Line 3, field 3 \"0x1F4\" reads as 0: the text after the number is ignored" + in,
        "---> Line 3, field 4 \"6.4e1\" reads as 6: the text after the number is ignored" + in,
        "---> Line 3, field 5 \"0,002\" reads as 0: the text after the number is ignored" + in,
        "---> Line 3, field 8 \"1GHz\" reads as 1: the text after the number is ignored" + in,
        "---> Line 4 begins with a blank or a TAB, so it is ignored" + in,
    };
    const auto log = readLines("logs/Warnings.log");
    ASSERT_EQ(log.size(), 2 + told.size()) << readFile("logs/Warnings.log");
    for (size_t i = 0; i < told.size(); ++i) {
        EXPECT_NE(log[2 + i].find("Velmora.Dev"), std::string::npos) << log[2 + i];
        EXPECT_EQ(log[2 + i].substr(log[2 + i].find("WARNING: ")), "WARNING: " + told[i]);
    }

    // A marker among the rows is where no row of the section can be; a
    // reader that knows its sections refuses it.
    writeFile("b.conf", "[3.1]\nhead\np1 1\n[3.1.2] blocks\n[x] y\n[3.1\n");
    ConfigFileReader file(dev, "b.conf");
    ASSERT_TRUE(file.openSection("[3.1]", "[3.1.1]"));
    ConfigRow row;
    std::vector<std::string> refusals;
    while (file.nextRow(row))
        refusals.push_back(errorOf([&] { row.refuse_section_marker(); }));
    EXPECT_EQ(refusals, (std::vector<std::string>{"",
                                                  "---> Section marker \"[3.1.2]\" on line 4 is out of place. Please "
                                                  "check section [3.1] of the file \"b.conf\"",
                                                  "", ""}));
}

TEST_F(DeviceTest, AnEndlessLineStopsTheRunWhereItExceedsTheLimit)
{
    writeFile("row.conf", "[1]\nhead\n1 " + std::string(1 << 20, '2'));
    writeFile("comment.conf", "[1]\nhead\n;" + std::string(1 << 20, 'c'));
    writeFile("header.conf", "[1]\n" + std::string(65536, 'h') + "\n1 2\n");
    writeFile("before.conf", ";" + std::string(65536, 'c'));
    std::filesystem::create_directory("dir.conf");
    struct Case {
        const char* file;
        const char* error;
    };
    const Case cases[] = {
        {"row.conf", "---> Line 3 is longer than 65536 characters. Please check section [1] of the file \"row.conf\""},
        {"comment.conf",
         "---> Line 3 is longer than 65536 characters. Please check section [1] of the file \"comment.conf\""},
        {"header.conf", ""},
        {"before.conf", "---> Line 1 is longer than 65536 characters. Please check the file \"before.conf\""},
        {"/dev/zero", "---> Couldn't open file \"/dev/zero\": it is a device, not a regular file"},
        {"dir.conf", "---> Couldn't open file \"dir.conf\": it is a folder, not a file"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] {
                      ConfigFileReader file(root, c.file);
                      if (file.openSection("[1]"))
                          rowsOf(file);
                  }),
                  c.error);
}

// A file saved with CR line ends alone would read as one long line, its
// sections missing; it is refused saying so. CR LF line ends read as LF.
TEST_F(DeviceTest, AFileOfCrLineEndsIsRefusedSayingSo)
{
    writeFile("mac.conf", "; host file\r[1]\rhead\r1 2\r");
    EXPECT_EQ(errorOf([&] { ConfigFileReader(root, "mac.conf"); }),
              "---> The file \"mac.conf\" ends its lines with CR alone, as old Mac editors save them, so that they "
              "read as one line. Please save it with LF line ends");
    writeFile("dos.conf", "; host file\r\n[1]\r\nhead\r\n1 2\r\n");
    ConfigFileReader file(root, "dos.conf");
    ASSERT_TRUE(file.openSection("[1]"));
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"1/2"}));
}

// Every reader opens its input alike: what is no regular file is refused
// before it is opened (a FIFO nobody writes to would hold the run for ever),
// and UTF-16 text is told as what it is. Each reader keeps its own words.
TEST_F(DeviceTest, AnInputThatIsNoRegularTextFileIsRefusedNamingItAndWhy)
{
    ASSERT_EQ(mkfifo("pipe.conf", 0600), 0);
    writeFile("utf16le.conf", std::string("\xFF\xFE[\0"
                                          "1\0]\0\r\0\n\0",
                                          12));
    writeFile("utf16be.conf", std::string("\0[\0"
                                          "1\0]\0\n",
                                          8));
    writeFile("nul-first.conf", std::string("\0 [1]\nhead\n1 2\n", 15));
    const char* const zoneSet = "---> Couldn't open ZoneSet file \"%s\"";
    struct Case {
        const char* file;
        const char* format; // null: the device file reader
        std::string error;
    };
    const Case cases[] = {
        {"pipe.conf", nullptr, "---> Couldn't open file \"pipe.conf\": it is a FIFO, not a regular file"},
        {"pipe.conf", zoneSet, "---> Couldn't open ZoneSet file \"pipe.conf\": it is a FIFO, not a regular file"},
        {"/dev/zero", zoneSet, "---> Couldn't open ZoneSet file \"/dev/zero\": it is a device, not a regular file"},
        {"missing.txt", zoneSet, "---> Couldn't open ZoneSet file \"missing.txt\": No such file or directory"},
        {"utf16le.conf", nullptr,
         "---> The file \"utf16le.conf\" is saved as UTF-16, which no reader takes. Please save it as plain text "
         "(ASCII or UTF-8)"},
        {"utf16be.conf", zoneSet,
         "---> The file \"utf16be.conf\" is saved as UTF-16, which no reader takes. Please save it as plain text "
         "(ASCII or UTF-8)"},
        {"nul-first.conf", nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] {
                      if (c.format)
                          open_input_file(root, c.file, c.format);
                      else
                          ConfigFileReader(root, c.file);
                  }),
                  c.error)
            << c.file;
}

// A row behind a NUL byte or a lone CR reads as the format has it (a line
// that begins with NUL is skipped, NUL and CR end a row's data), and is told
// as an indented row is, since an editor shows it as a row of its own.
TEST_F(DeviceTest, ARowHiddenBehindANulByteOrALoneCrIsWarnedOfNamingItsLine)
{
    writeFile("hidden.conf", std::string("[3]\nhead\nA 1\n\0B 2\nC 3\rD 4\nE 5\0junk\nF 6\r\nG 7 \r \n", 47));
    cModule* dev = compound("Dev", root);
    ConfigFileReader file(dev, "hidden.conf");
    ASSERT_TRUE(file.openSection("[3]"));
    EXPECT_EQ(rowsOf(file), (std::vector<std::string>{"A/2", "C/2", "E/2", "F/2", "G/2"}));
    const std::string in = ". Please check section [3] of the file \"hidden.conf\"";
    const std::vector<std::string> told = {
        "---> Line 4 begins with a NUL byte, so it is ignored" + in,
        "---> Line 5 holds a CR that ends no line, so what follows it is ignored" + in,
        "---> Line 6 holds a NUL byte, so what follows it is ignored" + in,
    };
    const auto log = readLines("logs/Warnings.log");
    ASSERT_EQ(log.size(), 2 + told.size()) << readFile("logs/Warnings.log");
    for (size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(log[2 + i].substr(log[2 + i].find("WARNING: ")), "WARNING: " + told[i]);
}

TEST_F(DeviceTest, AFileThatCannotBeOpenedStopsTheRun)
{
    EXPECT_EQ(errorOf([&] { ConfigFileReader(root, "missing.conf"); }),
              "---> Couldn't open file \"missing.conf\": No such file or directory");
}

} // namespace
