#include "discovery/cups_dirs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "unit_support.h"

namespace {

TEST(CupsdPrefix, TakesTheDirectoryBeforeTheDaemon) {
  EXPECT_EQ(cupsdPrefix("/usr/sbin/cupsd -l\n"), "/usr");
  EXPECT_EQ(cupsdPrefix(" /opt/cups/bin/cupsd\r\n"), "/opt/cups");
  EXPECT_EQ(cupsdPrefix("/sbin/cupsd"), "");
  EXPECT_EQ(cupsdPrefix("/usr/local/sbin/cupsd -C /etc/cups/cupsd.conf"), "/usr/local");
}

TEST(CupsdPrefix, NothingWithoutAPathToTheDaemon) {
  EXPECT_EQ(cupsdPrefix(""), std::nullopt);
  EXPECT_EQ(cupsdPrefix("cupsd -f\n"), std::nullopt);
  EXPECT_EQ(cupsdPrefix("  /usr/sbin/cupsd"), std::nullopt);  // only one blank is skipped
  EXPECT_EQ(cupsdPrefix("/usr/lib/cups/daemon/cups-lpd"), std::nullopt);
  EXPECT_EQ(cupsdPrefix("/usr/sbincupsd"), std::nullopt);
}

class StartScript : public ::testing::Test {
 protected:
  int read(const std::string& text) {
    writeFile(dir.file("cups"), text);
    return prefixesFromScript(dir.file("cups"), prefix, execPrefix);
  }
  TempDir dir;
  std::string prefix = "old", execPrefix = "old";
};

TEST_F(StartScript, BothValuesAsTheScriptWritesThem) {
  EXPECT_EQ(read("#!/bin/sh\nexec_prefix=/usr\nprefix=/\n"), 1);
  EXPECT_EQ(prefix, "/");
  EXPECT_EQ(execPrefix, "/usr");
  EXPECT_EQ(read("prefix=\"$ROOT\"\nexec_prefix=${prefix}/x\nprefix=/later\n"), 1);
  EXPECT_EQ(prefix, "\"$ROOT\"");
  EXPECT_EQ(execPrefix, "${prefix}/x");
}

TEST_F(StartScript, ExecPrefixAloneIsAnAnswer) {
  EXPECT_EQ(read("# start CUPS\nexec_prefix=/usr\n"), 1);
  EXPECT_EQ(execPrefix, "/usr");
  EXPECT_EQ(prefix, "old");
}

TEST_F(StartScript, NeitherValueOrNoScript) {
  EXPECT_EQ(read("#!/bin/sh\ncase \"$1\" in start) cupsd;; esac\n"), 0);
  EXPECT_EQ(prefix, "old");
  EXPECT_EQ(execPrefix, "old");
  EXPECT_EQ(prefixesFromScript(dir.file("missing"), prefix, execPrefix), -1);
}

// A stream already read from is read from its start, both times.
TEST(StartScriptStream, ReadFromItsStart) {
  char script[] = "exec_prefix=/opt/cups\nprefix=/srv\n";
  FILE* in = fmemopen(script, sizeof script - 1, "r");
  ASSERT_TRUE(in);
  char line[64];
  ASSERT_TRUE(std::fgets(line, sizeof line, in));
  std::string prefix, execPrefix;
  EXPECT_EQ(prefixesFromScript(in, prefix, execPrefix), 1);
  EXPECT_EQ(execPrefix, "/opt/cups");
  EXPECT_EQ(prefix, "/srv");
  std::fclose(in);
}

TEST(CupsPrefixFallback, NeedsAnExistingUsrBinDir) {
  TempDir dir;
  std::string prefix, execPrefix;
  EXPECT_EQ(prefixFallback(prefix, execPrefix, dir.file("gone")), 0);
  EXPECT_EQ(execPrefix, "");
  EXPECT_EQ(prefixFallback(prefix, execPrefix, dir.path()), 0);
  EXPECT_EQ(execPrefix, dir.path());
  EXPECT_EQ(prefix, "");
}

TEST(CupsDataDir, BinDirShareCupsComesFirst) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("share").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("share/cups").c_str(), 0755), 0);
  EXPECT_EQ(findCupsDataDir(dir.path()), dir.file("share/cups"));
}

}  // namespace
