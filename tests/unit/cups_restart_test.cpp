#include "app/cups_restart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/waits.h"
#include "unit_support.h"

namespace {

// An ordinary run waits 10 s for the print server and 2 min for a restart
// of a small server, which bounds a scheduler that never answers; a large
// one gets room for the start it was seen to need with cups-filters (509 s
// with 5,000 queues, 47 s with 2,000), never an endless wait.
TEST(CupsRestart, TheTimeLimitGrowsWithTheQueuesToRead) {
  const Waits shipped;
  EXPECT_EQ(shipped.serverSeconds, 10);
  EXPECT_EQ(shipped.listingPauseSeconds, 1);
  EXPECT_EQ(shipped.retryPauseSeconds, 1);
  const int base = shipped.restartSeconds;
  EXPECT_EQ(restartSeconds(base, 0), 120);
  EXPECT_LT(restartSeconds(base, 250), 125);
  EXPECT_GE(restartSeconds(base, 2000), 3 * 47);
  EXPECT_GE(restartSeconds(base, 5000), 3 * 509);
  EXPECT_LT(restartSeconds(base, 5000), 3600);
  EXPECT_LT(restartSeconds(base, 4999), restartSeconds(base, 5000));
  // A test's short limit keeps the growth.
  EXPECT_EQ(restartSeconds(2, 0), 2);
  EXPECT_EQ(restartSeconds(2, 2000) - 2, restartSeconds(base, 2000) - base);
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
