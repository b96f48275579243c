#include "install/uninstall_script.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "install_support.h"
#include "unit_support.h"

// The whole text is checked by the system tests, which also run the
// script; these cases cover what varies with the run.
namespace {

class UninstallScript : public ::testing::Test {
 protected:
  void SetUp() override {
    installDir = dir.path();
    mkdir(dir.file("etc").c_str(), 0755);
    run.facts.tools.set(kToolRm, "/bin/rm");
    run.facts.ppd.ppdInstallDir = "/usr/share/ppd/oxa";
  }
  std::string write() {
    return logOf(run.log, [&] { writeUninstallScript(run.context, installDir); });
  }
  std::vector<std::string> lines() {
    EXPECT_EQ(write(), "Created script: " + dir.file("etc/UNINSTALLLUMO") + ".\n");
    std::vector<std::string> result;
    std::istringstream in(readFile(dir.file("etc/UNINSTALLLUMO")));
    for (std::string line; std::getline(in, line);)
      result.push_back(line);
    return result;
  }
  TempDir dir;
  TestRun run;
  std::string installDir;
};

TEST_F(UninstallScript, SeventyFourLinesFromTheRunsValues) {
  std::vector<std::string> script = lines();
  ASSERT_EQ(script.size(), 74u);
  EXPECT_EQ(script[2].rfind("# De-installation script of Lumo 3.0 dated: ", 0), 0u);
  EXPECT_EQ(script[10], "  /bin/rm \"$1\"");
  EXPECT_EQ(script[19], "  /bin/rm -rf \"$1\"");
  EXPECT_EQ(script[62], "delFile " + dir.file("lumoInfo4.0"));
  EXPECT_EQ(script[70], "delDir /usr/share/ppd/oxa/ppd");
  EXPECT_EQ(script[73], "delDir " + dir.path());
  EXPECT_EQ(modeOf(dir.file("etc/UNINSTALLLUMO")), 0755);

  run.facts.tools.set(kToolRm, "rm");
  EXPECT_EQ(lines()[10], "  rm \"$1\"");
}

TEST_F(UninstallScript, AFailedWriteIsReportedNotCreated) {
  std::string path = dir.file("etc/UNINSTALLLUMO");
  {
    FileSizeLimit full(1000);
    EXPECT_EQ(write(), "Cannot write file: '" + path + "': File too large.\n");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("etc")));
}

TEST_F(UninstallScript, NeverNamesTheRootsPpdDirectory) {
  run.facts.ppd.ppdInstallDir.clear();
  EXPECT_EQ(lines()[70], "delDir " + dir.file("ppd"));
}

TEST_F(UninstallScript, OddPathsAreQuotedForTheShell) {
  std::string odd = dir.file("my $dir");
  mkdir(odd.c_str(), 0755);
  mkdir((odd + "/etc").c_str(), 0755);
  installDir = odd;
  std::string path = odd + "/etc/UNINSTALLLUMO";
  write();
  std::string text = readFile(path);
  EXPECT_NE(text.find("\ndelDir '" + odd + "/etc'\ndelDir '" + odd + "/bin'\ndelDir '" + odd +
                      "'\n"),
            std::string::npos);

  installDir = dir.file("missing");
  EXPECT_EQ(write(), "Cannot open file:\n\t'" + dir.file("missing/etc/UNINSTALLLUMO") +
                         "',\nPlease check and try again.\n");
}

}  // namespace
