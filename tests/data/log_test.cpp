// The log file: lines appended one open at a time, the old log removed at
// start, and a log that cannot be written never stopping the program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "data/log.h"
#include "data/util.h"
#include "fixtures.h"

namespace {

TEST(Log, LinesAppendAndTheOldLogIsRemoved) {
  TempDir dir("morvex-log");
  writeLog("first");
  writeLog("No best mode found!");
  EXPECT_EQ(readFile("logger.log"), "first\nNo best mode found!\n");
  deleteOldLog();
  EXPECT_FALSE(fileExists("logger.log"));
  deleteOldLog();  // nothing to remove is fine
  testing::internal::CaptureStdout();
  writeLogAndConsole("File x not found in data file");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "File x not found in data file\n");
  EXPECT_EQ(readFile("logger.log"), "File x not found in data file\n");
  std::remove("logger.log");

  // A log that cannot be written or removed never stops the program: the line
  // goes to standard error with the reason, and the program goes on.
  ASSERT_EQ(mkdir("logger.log", 0700), 0);
  ASSERT_EQ(mkdir("logger.log/inside", 0700), 0);  // a folder that remove() cannot take
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  writeLog("x");
  writeLogAndConsole("Error reading file brain.img");
  deleteOldLog();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error reading file brain.img\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "x\nUnable to write logger.log: Is a directory\n"
            "Error reading file brain.img\nUnable to write logger.log: Is a directory\n"
            "Unable to remove the old logger.log: Directory not empty\n");
  rmdir("logger.log/inside");
  rmdir("logger.log");
}

}  // namespace
