#include <gtest/gtest.h>
#include <sys/stat.h>
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

// Works in a directory for the life of the object, then returns.
class WorkingDir {
 public:
  explicit WorkingDir(const std::string& dir) {
    EXPECT_TRUE(getcwd(old_, sizeof old_));
    EXPECT_EQ(chdir(dir.c_str()), 0) << dir;
  }
  ~WorkingDir() { EXPECT_EQ(chdir(old_), 0); }

 private:
  char old_[4096];
};

TEST(StartDir, AbsoluteInvocationAboveABinDirectory) {
  EXPECT_EQ(startDirOf("/opt/oxa/bin/setup"), "/opt/oxa");
  EXPECT_EQ(startDirOf("/usr/local/bin/setup"), "/usr/local");
  EXPECT_EQ(startDirOf("/root/stage/./bin//setup"), "/root/stage");
  EXPECT_EQ(startDirOf("/opt/oxa/setup"), "/opt/oxa");
  EXPECT_EQ(startDirOf("/opt/sbin/setup"), "/opt/sbin");  // only a whole "bin" is left
  EXPECT_EQ(startDirOf("/setup"), "/");
  EXPECT_EQ(startDirOf("/bin/setup"), "/");
}

TEST(StartDir, RelativeInvocationJoinsTheWorkingDirectory) {
  TempDir stage;
  ASSERT_EQ(mkdir(stage.file("bin").c_str(), 0755), 0);
  {
    WorkingDir in(stage.path());
    for (const char* invocation : {"bin/setup", "./bin/setup", "./setup", "setup"})
      EXPECT_EQ(startDirOf(invocation), stage.path());
    EXPECT_EQ(startDirOf("tools/setup"), stage.file("tools"));
  }
  {
    WorkingDir in(stage.file("bin"));
    EXPECT_EQ(startDirOf("./setup"), stage.path());
    EXPECT_EQ(startDirOf("setup"), stage.path());
  }
  WorkingDir in("/");
  EXPECT_EQ(startDirOf("opt/oxa/bin/setup"), "/opt/oxa");
}

TEST(StartDir, WhatWouldNotFitIsRefused) {
  TempLog log;
  EXPECT_EQ(findStartDir(log, "/" + std::string(255, 'x')), std::nullopt);
  TempDir top;
  std::string deep = top.path();
  for (int i = 0; i < 3; ++i) {
    deep += "/" + std::string(100, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  {
    WorkingDir in(top.path());  // the invocation fits, joined it does not
    EXPECT_EQ(findStartDir(log, std::string(240, 'x') + "/setup"), std::nullopt);
  }
  WorkingDir in(deep);  // too long to read
  EXPECT_EQ(findStartDir(log, "./setup"), std::nullopt);
  EXPECT_EQ(log.text(), "");
}

}  // namespace
