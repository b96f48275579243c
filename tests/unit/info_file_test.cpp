#include "install/info_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "install_support.h"
#include "unit_support.h"

namespace {

std::string freshInfoFile(const std::string& dir) {
  return "#\n# Lumo 4.0 Information File\n#\n%%ORBBLOCK_GENERAL_BEGIN\n"
         "USRDIR          " + dir + "\n"
         "HOMEDIR         $HOME\nTMPDIR          /tmp\n%%ORBBLOCK_GENERAL_END\n#\n#\n"
         "%%ORBBLOCK_PRINTERS_BEGIN\nDefault\n%%ORBBLOCK_PRINTERS_END\n#\n#\n"
         "%%ORBBLOCK_USERS_BEGIN\nroot\n%%ORBBLOCK_USERS_END\n#\n#\n"
         "%%ORBBLOCK_PRNT_BEGIN Default\nroot\n%%ORBBLOCK_PRNT_END Default\n#\n#\n%%ORBEND\n";
}

class InfoFile : public ::testing::Test {
 protected:
  void SetUp() override {
    installDir = dir.path();
    run.facts.uid = int(getuid());
    run.facts.gid = int(getgid());
  }
  std::string info() const { return readFile(dir.file("lumoInfo4.0")); }
  std::string write() {
    return logOf(run.log, [&] { writeInfoFile(run.context, installDir); });
  }
  std::string upgrade() {
    return logOf(run.log, [&] { upgradeInfoFile(run.context, installDir); });
  }
  TempDir dir;
  TestRun run;
  std::string installDir;
};

TEST_F(InfoFile, FreshFileHasItsTwentySixLinesAndMode0755) {
  writeFile(dir.file("lumoInfo4.0"), std::string(2000, 'o'));
  EXPECT_EQ(write(), "");
  EXPECT_EQ(info(), freshInfoFile(dir.path()));
  EXPECT_EQ(modeOf(dir.file("lumoInfo4.0")), 0755);

  installDir = dir.file("missing");
  EXPECT_EQ(write(), "Cannot open file:\n\t'" + dir.file("missing/lumoInfo4.0") +
                         "',\nPlease check and try again.\n");
}

TEST_F(InfoFile, AFailedWriteIsReportedAndLeavesTheEarlierFile) {
  std::string message = "Cannot write file: '" + dir.file("lumoInfo4.0") + "': File too large.\n";
  {
    FileSizeLimit full(300);
    EXPECT_EQ(write(), message);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("lumoInfo4.0")));
  writeFile(dir.file("lumoInfo4.0"), "earlier\n");
  writeFile(dir.file("lumoInfo2.0"), "USRDIR /opt/oxa\n" + std::string(400, 'x') + "\n");
  {
    FileSizeLimit full(300);
    // The carry-over fails, and so does the fresh file in its place.
    EXPECT_EQ(upgrade(), message + message);
  }
  EXPECT_EQ(info(), "earlier\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST_F(InfoFile, UpgradeReplacesOnlyTheFirstTitleLine) {
  std::string earlier =
      "#\n# Lumo 2.0 Information File\n%%ORBBLOCK_PRINTERS_BEGIN\nDefault\nlab1\nlab2\n"
      "%%ORBBLOCK_PRINTERS_END\n# Information File again\r\nUSRDIR  /opt/oxa";
  writeFile(dir.file("lumoInfo2.0"), earlier);
  EXPECT_EQ(upgrade(), "Copied lumoInfo2.0 to lumoInfo3.0 file.\n");
  EXPECT_EQ(info(), "#\n# Lumo 3.0 Information File" + earlier.substr(earlier.find("\n%%")));
  EXPECT_EQ(readFile(dir.file("lumoInfo2.0")), earlier);  // the source stays

  std::string untitled = "USRDIR /opt/oxa\n" + std::string(600, 'x') + "\n\n";
  writeFile(dir.file("lumoInfo2.0"), untitled);
  upgrade();
  EXPECT_EQ(info(), untitled);
}

TEST_F(InfoFile, UpgradeWithoutTheEarlierFileWritesAFreshOne) {
  EXPECT_EQ(upgrade(), "Cannot open file:\n\t'" + dir.file("lumoInfo2.0") +
                           "',\nPlease check and try again.\n");
  EXPECT_EQ(info(), freshInfoFile(dir.path()));
}

}  // namespace
