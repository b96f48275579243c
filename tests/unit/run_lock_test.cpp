#include "app/run_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "unit_support.h"

namespace {

// Two runs that both find a stranger's link at the lock file's name: one
// takes the lock and the other is told it is busy, every time.
TEST(RunLock, TwoRunsAtOnceOverAPlantedLinkNeverBothGoOn) {
  if (geteuid() != 0)
    GTEST_SKIP() << "the lock file must be root's own";
  TempDir dir;
  for (int round = 0; round < 200; ++round) {
    unlink(dir.file("Lumo4.0_setup.lock").c_str());
    ASSERT_EQ(symlink("/nonexistent", dir.file("Lumo4.0_setup.lock").c_str()), 0);
    RunLock first, second;
    std::string firstNote, secondNote;
    RunLock::Outcome firstOutcome, secondOutcome;
    std::thread other([&] { secondOutcome = second.takeIn(dir.path(), &secondNote); });
    firstOutcome = first.takeIn(dir.path(), &firstNote);
    other.join();
    int taken = (firstOutcome == RunLock::Outcome::kTaken) + (secondOutcome == RunLock::Outcome::kTaken);
    int busy = (firstOutcome == RunLock::Outcome::kBusy) + (secondOutcome == RunLock::Outcome::kBusy);
    ASSERT_EQ(taken, 1) << "round " << round << ": " << firstNote << " / " << secondNote;
    ASSERT_EQ(busy, 1) << "round " << round << ": " << firstNote << " / " << secondNote;
  }
}

}  // namespace
