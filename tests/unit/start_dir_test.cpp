#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "base/log.h"
#include "discovery/tools.h"
#include "unit_support.h"

namespace {

std::string startDirOf(const std::string& invocation) {
  Log log;  // no Log file open: its line goes to standard error
  testing::internal::CaptureStderr();
  std::optional<std::string> dir = findStartDir(log, invocation);
  std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(dir.has_value()) << invocation;
  std::string found = dir.value_or("");
  EXPECT_EQ(logged, "Directory from which we install: '" + found + "'.\n");
  return found;
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
  TempLog log;
  EXPECT_EQ(findStartDir(log, "/" + std::string(255, 'x')), std::nullopt);
  EXPECT_EQ(log.text(), "");
}

}  // namespace
