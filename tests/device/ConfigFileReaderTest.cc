#include "device/ConfigFileReader.h"

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

TEST_F(DeviceTest, AFileThatCannotBeOpenedStopsTheRun)
{
    EXPECT_EQ(errorOf([&] { ConfigFileReader(root, "missing.conf"); }), "---> Couldn't open file \"missing.conf\"");
}

} // namespace
