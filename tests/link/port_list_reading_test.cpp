#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "link/bibl_com.h"
#include "tests/support/scratch_folder.h"

namespace kavrel {
namespace {

using namespace std::string_literals;

struct ListCase {
    const char* name;
    std::string list;
    std::string port;
};

class PortNameFromListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(PortNameFromListTest, PicksThePortOfTheLastCableLine) {
    EXPECT_EQ(PortNameFromList(GetParam().list), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PortNameFromListTest,
    ::testing::Values(
        ListCase{"Ch340", "USB-SERIAL CH340 (COM3)\r\n", "COM3"},
        ListCase{"Prolific", "PROLIFIC USB-TO-SERIAL COMM PORT (COM7)\r\n", "COM7"},
        ListCase{"OtherLetterCaseIsNoCable", "Prolific USB-to-Serial Comm Port (COM4)\r\n", ""},
        ListCase{"UnknownCableIgnored", "USB Serial Port (/dev/ttyUSB0)\n", ""},
        ListCase{"LaterLineWins",
                 "USB-SERIAL CH340 (COM3)\r\nPROLIFIC USB-TO-SERIAL COMM PORT (COM5)\r\n", "COM5"},
        ListCase{"LaterLineWinsWhicheverCable",
                 "PROLIFIC USB-TO-SERIAL COMM PORT (COM5)\nUSB-SERIAL CH340 (COM3)\n", "COM3"},
        ListCase{"NonCableLineAfterwardsChangesNothing",
                 "USB-SERIAL CH340 (COM3)\nSerial Port (COM1)\n", "COM3"},
        ListCase{"ClosingBeforeOpeningKeepsResult",
                 "USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 )COM9(\n", "COM3"},
        ListCase{"EmptyBracketsEmptyTheResult", "USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 ()\n",
                 ""},
        ListCase{"NoBracketsKeepsResult", "USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 COM9\n",
                 "COM3"},
        ListCase{"OnlyOpeningKeepsResult", "USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 (COM9\n",
                 "COM3"},
        ListCase{"FirstBracketsOfTheWholeLine", "X (a) USB-SERIAL CH340 (COM3)\n", "a"},
        ListCase{"BlanksStay", "USB-SERIAL CH340 ( COM3 )\n", " COM3 "},
        ListCase{"LineFeedOnly", "USB-SERIAL CH340 (COM3)\nUSB-SERIAL CH340 (COM4)\n", "COM4"},
        ListCase{"CarriageReturnOnly", "USB-SERIAL CH340 (COM3)\rUSB-SERIAL CH340 (COM4)\r",
                 "COM4"},
        // Were CR LF two terminators, nothing would change; a CR alone must split the line
        // or the first "(" of the joined line would win.
        ListCase{"CarriageReturnSplitsLines", "USB-SERIAL CH340 (COM3)\r(x) USB-SERIAL CH340\r",
                 "x"},
        ListCase{"LineFeedSplitsLines", "USB-SERIAL CH340 (COM3)\n(x) USB-SERIAL CH340", "x"},
        ListCase{"NulEndsALine", "USB-SERIAL CH340 (COM3)\0(x) USB-SERIAL CH340\0"s, "x"},
        ListCase{"NulSeparatesCableFromBrackets", "USB-SERIAL CH340\0(COM3)\n"s, ""},
        ListCase{"LastLineWithoutTerminator", "Serial Port (COM1)\r\nUSB-SERIAL CH340 (COM8)",
                 "COM8"},
        ListCase{"EmptyList", "", ""}, ListCase{"OnlyTerminators", "\r\n\n\r\0"s, ""},
        ListCase{"BytesAreNotConverted", "USB-SERIAL CH340 (\xcf\xee\xf0\xf2 1)\r\n",
                 "\xcf\xee\xf0\xf2 1"},
        ListCase{"LongLine",
                 std::string(5000, 'x') + " USB-SERIAL CH340 (/dev/" + std::string(300, 'p') + ")",
                 "/dev/" + std::string(300, 'p')}),
    [](const ::testing::TestParamInfo<ListCase>& param) { return param.param.name; });

// Runs a copy of the folder-printing helper from `folder` and returns what it printed.
std::string FolderSeenFrom(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(KAVREL_PRINT_PROGRAM_FOLDER, folder + "print_program_folder");
    FILE* pipe = popen(("'" + folder + "print_program_folder'").c_str(), "r");
    std::string output;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    if (pipe) {
        pclose(pipe);
    }
    return output;
}

TEST(ProgramFolderTest, IsTheExecutablesFolderWithItsSeparator) {
    testing::ScratchFolder scratch;
    EXPECT_EQ(FolderSeenFrom(scratch / "short/"), scratch / "short/");
}

TEST(ProgramFolderTest, DeepFolderIsNotCut) {
    testing::ScratchFolder scratch;
    std::string deep = scratch.Path();
    while (deep.size() < 400) {
        deep += std::string(40, 'd') + "/";
    }
    EXPECT_EQ(FolderSeenFrom(deep), deep);
}

}  // namespace
}  // namespace kavrel
