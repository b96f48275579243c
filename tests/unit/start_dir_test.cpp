#include <gtest/gtest.h>
#include <unistd.h>

#include "discovery/tools.h"
#include "driver/run_settings.h"
#include "unit_support.h"

namespace {

std::string startDirOf(const std::string& invocation) {
  run = RunSettings();
  testing::internal::CaptureStderr();  // its log line, with no Log file open
  EXPECT_EQ(findStartDir(invocation), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Directory from which we install: '" + run.startDir + "'.\n");
  return run.startDir;
}

TEST(StartDir, AbsoluteInvocation) {
  EXPECT_EQ(startDirOf("/opt/oxa/bin/setup"), "/opt/oxa");
  EXPECT_EQ(startDirOf("/usr/local/bin/setup"), "/usr/local/bin");
  EXPECT_EQ(startDirOf("/opt/oxa/setup"), "/opt/oxa");
  EXPECT_EQ(startDirOf("/setup"), "/setup");
}

TEST(StartDir, RelativeInvocationTakesWorkingDirectoryOnly) {
  TempDir dir;
  char old[4096];
  ASSERT_TRUE(getcwd(old, sizeof old));
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  EXPECT_EQ(startDirOf("bin/setup"), dir.path());
  EXPECT_EQ(startDirOf("./setup"), dir.path());
  ASSERT_EQ(chdir(old), 0);
}

TEST(StartDir, OverlongInvocationIsRefused) {
  run = RunSettings();
  EXPECT_EQ(findStartDir("/" + std::string(255, 'x')), -1);
  EXPECT_EQ(run.startDir, "");
}

}  // namespace
