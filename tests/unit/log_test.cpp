#include "driver/log.h"

#include <gtest/gtest.h>

#include "discovery/tools.h"
#include "driver/run_settings.h"
#include "unit_support.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run = RunSettings();
    setToolPath(kToolChcon, "");
    run.logPath = dir.file("UpdateLog");
  }
  void TearDown() override { closeLog(); }
  TempDir dir;
};

TEST_F(LogTest, OneLinePerMessage) {
  ASSERT_EQ(openLog(0), 1);
  logMessage("abc");
  logMessage("def\n");
  logMessage("\n\n\tX");
  // Flushed at once: the file is complete before closing.
  EXPECT_EQ(readFile(run.logPath), "abc\ndef\n\n\n\tX\n");
}

TEST_F(LogTest, TruncatesAndEndsWithFinishingLine) {
  writeFile(run.logPath, "an older run\n");
  ASSERT_EQ(openLog(0), 1);
  logFormat("%d items", 3);
  closeLog();
  std::string text = readFile(run.logPath);
  EXPECT_EQ(text.rfind("3 items\nFinishing Lumo 4.0-0 installation : ", 0), 0u) << text;
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\n', text.find("Finishing")), text.size() - 1);
}

TEST_F(LogTest, NonRootNameCarriesUserId) {
  std::string base = run.logPath;
  ASSERT_EQ(openLog(500), 1);
  EXPECT_EQ(run.logPath, base + "_500");
}

TEST_F(LogTest, HeaderWhenChconExists) {
  setToolPath(kToolChcon, "/bin/true");
  ASSERT_EQ(openLog(0), 1);
  std::string expected = "Preparing Log File:\nCommand: \"/bin/true -u system_u " + run.logPath +
                         " 2>/dev/null\" returned with: 0.\n" + std::string(39, '=') + "\n";
  EXPECT_EQ(readFile(run.logPath), expected);
}

TEST_F(LogTest, UnopenableLogFallsBackToStandardError) {
  run.logPath = dir.file("missing/UpdateLog");
  EXPECT_EQ(openLog(0), 0);
  testing::internal::CaptureStderr();
  logMessage("to the console");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "to the console\n");
}

}  // namespace
