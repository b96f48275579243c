#include "install/selinux.h"

#include <gtest/gtest.h>

#include "discovery/tools.h"
#include "driver/run_settings.h"
#include "install_support.h"
#include "unit_support.h"

namespace {

class Chcon : public ::testing::Test {
 protected:
  void SetUp() override {
    run = RunSettings();
    // A chcon that records its arguments and fails as on a system without
    // SELinux.
    writeFile(dir.file("chcon"), "#!/bin/sh\necho \"$*\" > " + dir.file("args") + "\nexit 3\n");
    chmod(dir.file("chcon").c_str(), 0755);
  }
  void TearDown() override { setToolPath(kToolChcon, ""); }
  TempDir dir;
};

TEST_F(Chcon, RunsAndLogsTheWholeCommand) {
  setToolPath(kToolChcon, dir.file("chcon"));
  std::string path = dir.file("my $bin");
  int status = 0;
  std::string log = logOf([&] { status = runChcon(path, "-R -u system_u", 1); });
  EXPECT_EQ(status, 768);
  EXPECT_EQ(log, "chcon SELinux for: \"" + dir.file("chcon") + " -R -u system_u '" + path +
                     "' 2>/dev/null\": result: 768\n");
  EXPECT_EQ(readFile(dir.file("args")), "-R -u system_u " + path + "\n");
  EXPECT_EQ(logOf([&] { runChcon(path, "-t bin_t", 0); }), "");
  EXPECT_EQ(readFile(dir.file("args")), "-t bin_t " + path + "\n");
}

TEST_F(Chcon, NothingRunsWithoutAFullChconPath) {
  for (const char* chcon : {"", "chcon"}) {
    setToolPath(kToolChcon, chcon);
    EXPECT_EQ(logOf([&] { EXPECT_EQ(runChcon(dir.path(), "-t bin_t", 1), -1); }), "");
  }
}

TEST(SelinuxModule, NothingToLoadWhenSelinuxIsOff) {
  run = RunSettings();
  EXPECT_EQ(logOf([] { EXPECT_EQ(installSelinuxModule(), 0); }), "No SELinux found running.\n");
}

}  // namespace
