#include "app/run_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

// Whether a process of user nobody can open path for reading.
bool nobodyCanOpen(const std::string& path) {
  pid_t child = fork();
  if (child == 0) {
    bool opened = setgid(65534) == 0 && setuid(65534) == 0 && open(path.c_str(), O_RDONLY) >= 0;
    _exit(opened ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Another user can neither open the lock file, to hold its flock, nor stop
// a run by holding the lock directory's flock; a lock file an earlier run
// left readable by all is narrowed.
TEST(RunLock, OtherUsersCannotKeepARunFromGoingOn) {
  if (geteuid() != 0)
    GTEST_SKIP() << "the lock file must be root's own";
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 01777), 0);
  std::string path = dir.file("Lumo4.0_setup.lock");
  int earlier = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  ASSERT_GE(earlier, 0);
  close(earlier);
  ASSERT_TRUE(nobodyCanOpen(path));

  int dirFd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(dirFd, LOCK_EX), 0);
  RunLock lock;
  std::string note;
  EXPECT_EQ(lock.takeIn(dir.path(), &note), RunLock::Outcome::kTaken) << note;
  EXPECT_FALSE(nobodyCanOpen(path));
  close(dirFd);
}

}  // namespace
