#include "install/installation.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "install_support.h"
#include "unit_support.h"

namespace {

class FindInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "the information file is taken only from where root alone writes";
    setenv("LUMOINFO", dir.file("lumoInfo").c_str(), 1);
  }
  void TearDown() override { unsetenv("LUMOINFO"); }
  bool find(const std::string& text) {
    writeFile(dir.file("lumoInfo"), text);
    found = "unchanged";
    return findInstallation(log, found, kind);
  }
  TempDir dir{TempDir::kRootOnly};
  TempLog log;
  std::string found;
  int kind = 0;
};

TEST_F(FindInstallation, ValueOfTheFirstUsrdirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"#\nUSRDIR          /opt/oxa\nUSRDIR /second\n", "/opt/oxa"},
      {"USRDIR /opt/oxa old\n", "/opt/oxa"},
      {"USRDIR\t/srv/a\tb\r\n", "/srv/a\tb\r"},
      {"xUSRDIR=\x01 \x80/p\n", "/p"},
      {"USRDIR\n", ""},
      {"USRDIR", ""},
  };
  for (auto [text, value] : cases) {
    EXPECT_TRUE(find(text)) << text;
    EXPECT_EQ(found, value);
    EXPECT_EQ(kind, 1);  // a file named by LUMOINFO is always the first attempt's
  }
}

// Another user's file, or one in a directory others can write, names no
// installation: root would install into, or remove, what it says.
TEST_F(FindInstallation, OnlyRootsOwnFileCounts) {
  writeFile(dir.file("lumoInfo"), "USRDIR /usr/local\n");
  ASSERT_EQ(chown(dir.file("lumoInfo").c_str(), 65534, 65534), 0);
  found = "unchanged";
  EXPECT_FALSE(findInstallation(log, found, kind));
  EXPECT_EQ(found, "unchanged");
  ASSERT_EQ(chown(dir.file("lumoInfo").c_str(), 0, 0), 0);
  chmod(dir.path().c_str(), 01777);
  EXPECT_FALSE(findInstallation(log, found, kind));
  EXPECT_NE(log.text().find(dir.file("lumoInfo") + " passed over: " + dir.path() +
                            " can be written by group or others."),
            std::string::npos) << log.text();
  chmod(dir.path().c_str(), 0700);
  EXPECT_TRUE(findInstallation(log, found, kind));
  EXPECT_EQ(found, "/usr/local");
}

TEST_F(FindInstallation, NothingFound) {
  EXPECT_FALSE(find("no keyword here\n"));
  EXPECT_EQ(kind, -1);
  EXPECT_EQ(found, "unchanged");

  setenv("LUMOINFO", dir.file("missing").c_str(), 1);
  EXPECT_FALSE(findInstallation(log, found, kind));
  EXPECT_EQ(kind, -1);

  writeFile(dir.file("lumoInfo"), "USRDIR /opt/oxa\n");
  std::string tooLong = dir.path() + "/" + std::string(255, 'x');
  setenv("LUMOINFO", tooLong.c_str(), 1);
  EXPECT_EQ(logOf(log, [&] { EXPECT_FALSE(findInstallation(log, found, kind)); }),
            "LUMOINFO longer than 255 characters refused.\n");
  EXPECT_EQ(kind, -1);
}

}  // namespace
