#include "app/cups_restart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "unit_support.h"

namespace {

// A small server keeps the two-minute bound on a scheduler that never
// answers; a large one gets room for the start it was seen to need (over
// 400 s with 5,000 queues, about 38 s with 2,000), never an endless wait.
TEST(CupsRestart, TheTimeLimitGrowsWithTheQueuesToRead) {
  EXPECT_EQ(restartSeconds(0), 120);
  EXPECT_LT(restartSeconds(250), 125);
  EXPECT_GE(restartSeconds(2000), 3 * 38);
  EXPECT_GE(restartSeconds(5000), 3 * 442);
  EXPECT_LT(restartSeconds(5000), 3600);
  EXPECT_LT(restartSeconds(4999), restartSeconds(5000));
}

TEST(CupsRestart, CountsTheQueuesPpdFilesOnly) {
  TempDir base;
  for (const char* dir : {"etc", "etc/cups", "etc/cups/ppd"})
    ASSERT_EQ(mkdir(base.file(dir).c_str(), 0755), 0);
  for (const char* name : {"a.ppd", "b.ppd", "b.ppd.O", "c.ppd.rpmsave", ".ppd", "notes"})
    writeFile(base.file("etc/cups/ppd/") + name, "*PPD-Adobe: \"4.3\"\n");
  EXPECT_EQ(countQueuePpds(base.path()), 2u);
  EXPECT_EQ(countQueuePpds(base.file("missing")), 0u);
}

}  // namespace
