#include "discovery/spooler.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/log.h"
#include "unit_support.h"

namespace {

class SpoolerEnv : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    unsetenv("ORBLPMODE");
    unsetenv("LUMOLPMODE");
  }
};

TEST_F(SpoolerEnv, ExactNamesOnly) {
  EXPECT_EQ(spoolerFromEnv(), kSpoolerUnknown);
  const struct {
    const char* value;
    int kind;
  } cases[] = {{"CUPS", 8}, {"LPRNG", 4}, {"LPR", 2}, {"LP", 1},
               {"cups", 0}, {"CUPS ", 0}, {"LPD", 0}, {"", 0}};
  for (const auto& c : cases) {
    setenv("ORBLPMODE", c.value, 1);
    EXPECT_EQ(spoolerFromEnv(), c.kind) << c.value;
  }
}

TEST_F(SpoolerEnv, SecondVariableOnlyWhenFirstIsUnset) {
  setenv("LUMOLPMODE", "CUPS", 1);
  EXPECT_EQ(spoolerFromEnv(), kSpoolerCups);
  setenv("ORBLPMODE", "LPRNG", 1);
  EXPECT_EQ(spoolerFromEnv(), kSpoolerLprng);
  setenv("ORBLPMODE", "unknown", 1);
  EXPECT_EQ(spoolerFromEnv(), kSpoolerUnknown);
}

TEST(ProcessListing, SkipsGrepLinesAndTakesTheWord) {
  TempDir dir;
  Log log;
  std::string listing = dir.file("listing");
  writeFile(listing,
            "root 90 80 0 10:00 ? 00:00:00 sh -c ps -ef | grep cupsd > /tmp/ORBLPDx\n"
            "root 91 90 0 10:00 ? 00:00:00 grep cupsd\n"
            "root 812 1 0 10:00 ? 00:00:00 /usr/sbin/cupsd -l\n"
            "root 813 1 0 10:00 ? 00:00:00 /opt/sbin/cupsd\n");
  std::string word;
  EXPECT_EQ(findInListing(log, listing, "cupsd", 0, &word), 1);
  EXPECT_EQ(word, "/usr/sbin/cupsd -l\n");
  EXPECT_EQ(findInListing(log, listing, "lpsched", 1, &word), 0);
  EXPECT_EQ(findInListing(log, dir.file("missing"), "lpd", 2, &word), -1);
}

TEST(ProcessListing, DaemonWithoutPathOrAtLineStart) {
  TempDir dir;
  Log log;
  std::string listing = dir.file("listing");
  std::string word;
  writeFile(listing, "root 5 1 0 10:00 ? 00:00:00 cupsd -f\n");
  EXPECT_EQ(findInListing(log, listing, "cupsd", 3, &word), 1);
  EXPECT_EQ(word, "cupsd -f\n");
  writeFile(listing, "lpd\n");
  EXPECT_EQ(findInListing(log, listing, "lpd", 2, &word), 1);
  EXPECT_EQ(word, "lpd\n");
}

TEST(LprngAnswer, OnlyLprngChangesTheKind) {
  TempDir dir;
  std::string answer = dir.file("answer");
  writeFile(answer, "lpd: illegal option -- V\nusage: lpd [-dlsW] [port]\n");
  EXPECT_EQ(lprngKind(answer, kSpoolerLpr), kSpoolerLpr);
  writeFile(answer, "Version LPRng-3.8.28\n");
  EXPECT_EQ(lprngKind(answer, kSpoolerUnknown), kSpoolerLprng);
  EXPECT_EQ(lprngKind(dir.file("missing"), kSpoolerLpr), kSpoolerLpr);
}

}  // namespace
