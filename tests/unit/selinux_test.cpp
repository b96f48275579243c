#include "install/selinux.h"

#include <gtest/gtest.h>

#include "base/fs_helpers.h"
#include "discovery/tools.h"
#include "install_support.h"
#include "unit_support.h"

namespace {

class Chcon : public ::testing::Test {
 protected:
  void SetUp() override {
    // A chcon that records its arguments and fails as on a system without
    // SELinux.
    writeFile(dir.file("chcon"), "#!/bin/sh\necho \"$*\" > " + dir.file("args") + "\nexit 3\n");
    chmod(dir.file("chcon").c_str(), 0755);
  }
  TempDir dir;
  TestRun run;
};

TEST_F(Chcon, RunsAndLogsTheWholeCommand) {
  run.facts.tools.set(kToolChcon, dir.file("chcon"));
  std::string path = dir.file("my $bin");
  EXPECT_EQ(runChcon(run.context, path, "-R -u system_u", true), 768);
  EXPECT_EQ(run.log.text(), "chcon SELinux for: \"" + dir.file("chcon") + " -R -u system_u '" +
                                path + "' 2>/dev/null\": result: 768\n");
  EXPECT_EQ(readFile(dir.file("args")), "-R -u system_u " + path + "\n");
  EXPECT_EQ(runChcon(run.context, path, "-t bin_t", false), 768);
  EXPECT_EQ(readFile(dir.file("args")), "-t bin_t " + path + "\n");
  EXPECT_EQ(run.log.text(), "chcon SELinux for: \"" + dir.file("chcon") + " -R -u system_u '" +
                                path + "' 2>/dev/null\": result: 768\n");  // nothing more
}

TEST_F(Chcon, NothingRunsWithoutAFullChconPath) {
  for (const char* chcon : {"", "chcon"}) {
    run.facts.tools.set(kToolChcon, chcon);
    EXPECT_EQ(runChcon(run.context, dir.path(), "-t bin_t", true), -1);
  }
  EXPECT_EQ(run.log.text(), "");
  EXPECT_FALSE(isPresent(dir.file("args")));
}

TEST(SelinuxModule, NothingToLoadWhenSelinuxIsOff) {
  ToolTable tools;
  EXPECT_EQ(logOf([&] { EXPECT_EQ(installSelinuxModule(tools, 0), 0); }),
            "No SELinux found running.\n");
  EXPECT_EQ(tools.semodule, "");
}

}  // namespace
