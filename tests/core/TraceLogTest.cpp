// The trace log: nothing is written (not even a file) in mode 0; lines, formatted
// lines and stamped lines otherwise; a new run empties the log.
#include "core/TraceLog.h"
#include "support/ScratchDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

TEST(TraceLog, ModeZeroCreatesNoFileAndOtherModesWriteLines) {
    ScratchDir dir;
    SetLogMode(0, dir.Path().string());
    Log("never written");
    LogFormat("nor this %d", 1);
    LogStamp("nor this");
    CloseLog();
    EXPECT_FALSE(std::filesystem::exists(dir / "TobCase.log"));

    SetLogMode(1, dir.Path().string());
    Log("CTobCaseApp::InitInistance() start");
    LogFormat("CCDCase::Serialize() Version = %0X", 12);
    LogStamp("stamped");
    CloseLog();
    std::string text = ReadFileBytes(dir / "TobCase.log");
    EXPECT_EQ(text.find("CTobCaseApp::InitInistance() start\nCCDCase::Serialize() Version = C\n"),
              0u);
    EXPECT_TRUE(std::regex_search(
        text, std::regex("stamped <[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}>\n$")))
        << text;

    // The next run starts the log anew.
    Log("second run");
    CloseLog();
    EXPECT_EQ(ReadFileBytes(dir / "TobCase.log"), "second run\n");
    SetLogMode(0);
}

TEST(TraceLog, AnUnwritableLogStaysSilent) {
    ScratchDir dir;
    std::string blocker = dir.Write("file", "x").string();
    SetLogMode(1, blocker + "/sub"); // a folder below a regular file cannot exist
    Log("goes nowhere");
    LogFormat("%s", std::string(10000, 'x').c_str()); // longer than the format buffer
    CloseLog();
    SetLogMode(0);
    EXPECT_EQ(ReadFileBytes(blocker), "x");
}
