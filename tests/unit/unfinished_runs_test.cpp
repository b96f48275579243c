#include "ppd/unfinished_runs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "unit_support.h"

namespace {

TEST(UnfinishedRuns, StagedAndTemporaryNamesAreOurs) {
  EXPECT_TRUE(isStagedPpdName("lab1.ppd.a1B2c3"));
  EXPECT_TRUE(isStagedPpdName("lab1.ppd.O.Zz9yY8"));
  EXPECT_TRUE(isStagedBackupName("lab1.ppd.rpmsave.abcdef"));
  EXPECT_TRUE(isStagedBackupName("lab1.ppd.O.rpmsave.ABC123"));
  for (const char* name : {"orbinAbC123", "orbot000000", "ORBqwerty", "ORBLPDx1y2z3", "ORBLPRNGabcdef"})
    EXPECT_TRUE(isTmpFileName(name)) << name;
}

TEST(UnfinishedRuns, OtherNamesAreNot) {
  for (const char* name : {"lab1.ppd", "lab1.ppd.O", ".ppd.abcdef", "lab1.ppd.abcde",
                           "lab1.ppd.abcdefg", "lab1.ppd.abc-ef", "x.ppd.abcdef.ppd"})
    EXPECT_FALSE(isStagedPpdName(name)) << name;
  for (const char* name : {"lab1.ppd.rpmsave", "lab1.rpmsave.abcde", "printers.conf.O"})
    EXPECT_FALSE(isStagedBackupName(name)) << name;
  for (const char* name : {"ORB", "ORBabcde", "orbinabcdefg", "ORB.abcde", "xORBabcdef", "orbgsfilter"})
    EXPECT_FALSE(isTmpFileName(name)) << name;
}

// Beside a file, only what was staged for it goes: its name, a dot and
// six letters or digits.
TEST(UnfinishedRuns, StagedBesideAFileGoesAndNothingElse) {
  if (geteuid() != 0)
    GTEST_SKIP() << "leftovers belong to root";
  TempDir dir;
  for (const char* name : {"lumoConfig", "lumoConfig.aB3dE6", "lumoConfig.abc", "lumoConfig.abcdefg",
                           "lumoConfig.O.abcdef", "other.aB3dE6", "xlumoConfig.aB3dE6"})
    std::ofstream(dir.file(name)) << "x";
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  TempLog log;
  removeStagedBeside(log, dir.file("lumoConfig"), {now.tv_sec + 5, 0});
  EXPECT_EQ(log.text(), "Removed " + dir.file("lumoConfig.aB3dE6") +
                            ", left by a run that did not finish.\n");
  for (const char* name : {"lumoConfig", "lumoConfig.abc", "lumoConfig.abcdefg",
                           "lumoConfig.O.abcdef", "other.aB3dE6", "xlumoConfig.aB3dE6"})
    EXPECT_EQ(access(dir.file(name).c_str(), F_OK), 0) << name;
}

TEST(UnfinishedRuns, OnlyOlderRegularFilesOfRootsWithOneLinkAreLeftovers) {
  if (geteuid() != 0)
    GTEST_SKIP() << "leftovers belong to root";
  TempDir dir;
  std::string old = dir.file("ORBabcdef");
  std::ofstream(old) << "x";
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  timespec later = {now.tv_sec + 5, 0};
  timespec earlier = {now.tv_sec - 5, 0};
  EXPECT_TRUE(isLeftover(old, later));
  EXPECT_FALSE(isLeftover(old, earlier));  // made after the lock: this run's

  std::string linked = dir.file("ORBlinked");
  ASSERT_EQ(link(old.c_str(), linked.c_str()), 0);
  EXPECT_FALSE(isLeftover(old, later));
  std::string symlink = dir.file("ORBsymlnk");
  ASSERT_EQ(::symlink("/etc/passwd", symlink.c_str()), 0);
  EXPECT_FALSE(isLeftover(symlink, later));

  std::string foreign = dir.file("ORBforeig");
  std::ofstream(foreign) << "x";
  ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(isLeftover(foreign, later));
}

}  // namespace
