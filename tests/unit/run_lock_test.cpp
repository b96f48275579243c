#include "app/run_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "base/files.h"
#include "unit_support.h"

namespace {

// Where takeIn(parent) keeps the lock, as take() keeps it in /run.
std::string lockDir(const TempDir& parent) {
  return parent.file("lumo");
}

std::string lockFile(const TempDir& parent) {
  return lockDir(parent) + "/Lumo4.0_setup.lock";
}

// Two runs at once, each time in a fresh place, so that both may also find
// the lock's directory missing: one takes the lock, the other is told it is
// busy and by whom; once the holder is gone the lock is free again.
TEST(RunLock, TwoRunsAtOnceNeverBothGoOn) {
  for (int round = 0; round < 200; ++round) {
    TempDir parent;
    {
      RunLock first, second;
      std::string firstNote, secondNote;
      RunLock::Outcome firstOutcome, secondOutcome;
      std::thread other([&] { secondOutcome = second.takeIn(parent.path(), &secondNote); });
      firstOutcome = first.takeIn(parent.path(), &firstNote);
      other.join();
      bool firstTook = firstOutcome == RunLock::Outcome::kTaken;
      RunLock::Outcome loser = firstTook ? secondOutcome : firstOutcome;
      ASSERT_TRUE(firstTook || secondOutcome == RunLock::Outcome::kTaken)
          << "round " << round << ": " << firstNote << " / " << secondNote;
      ASSERT_EQ(loser, RunLock::Outcome::kBusy) << "round " << round;
      // Both are this process: the holder's id is ours.
      ASSERT_EQ(firstTook ? secondNote : firstNote, std::to_string(getpid())) << "round " << round;
    }
    RunLock later;
    std::string note;
    ASSERT_EQ(later.takeIn(parent.path(), &note), RunLock::Outcome::kTaken) << note;
  }
}

// What a user leaves where the lock once lived, /run/lock, which every
// user may write: a directory at the lock file's name, or a file there
// whose flock the user holds, keeps no run from taking the lock in a
// directory of its own, made for root alone.
TEST(RunLock, WhatStandsInTheWorldWritableLockDirectoryIsNoMatter) {
  TempDir run;
  std::string shared = run.file("lock");
  ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  ASSERT_EQ(mkdir((shared + "/Lumo4.0_setup.lock").c_str(), 0755), 0);
  // The flock the old lock's repair of a stranger's file waited on.
  Fd held(open(shared.c_str(), O_RDONLY | O_DIRECTORY));
  ASSERT_EQ(flock(held.get(), LOCK_EX), 0);

  RunLock lock;
  std::string note;
  EXPECT_EQ(lock.takeIn(run.path(), &note), RunLock::Outcome::kTaken) << note;
  struct stat st;
  ASSERT_EQ(lstat(lockDir(run).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(readFile(lockFile(run)), std::to_string(getpid()) + "\n");
}

// Every entry under path, links not followed: its name, mode and, for a
// regular file, its text.
std::string treeOf(const std::string& path) {
  std::string tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
    struct stat st;
    lstat(entry.path().c_str(), &st);
    tree += entry.path().string() + " " + std::to_string(st.st_mode) + "\n";
    if (S_ISREG(st.st_mode))
      tree += readFile(entry.path()) + "\n";
  }
  return tree;
}

struct Planted {
  const char* what;
  // Puts it in place in the stand-in for /run, perhaps with a link to kept,
  // a path in another directory of root's.
  std::function<void(const TempDir& run, const std::string& kept)> plant;
  // The note of the refusal, after the stand-in's path.
  const char* note;
};

// Whatever stands at the lock directory's name, or the lock file's, and
// is not root's alone is refused with a note saying so; nothing is made or
// changed, there or through a link.
TEST(RunLock, WhatIsNotRootsAloneAtTheLocksNamesIsRefused) {
  if (geteuid() != 0)
    GTEST_SKIP() << "a directory of another user's";
  const Planted cases[] = {
      {"link to a directory",
       [](const TempDir& run, const std::string& kept) {
         ASSERT_EQ(mkdir(kept.c_str(), 0700), 0);
         ASSERT_EQ(symlink(kept.c_str(), lockDir(run).c_str()), 0);
       },
       "/lumo is not a directory"},
      {"file",
       [](const TempDir& run, const std::string&) { writeFile(lockDir(run), ""); },
       "/lumo is not a directory"},
      {"directory of nobody's",
       [](const TempDir& run, const std::string&) {
         ASSERT_EQ(mkdir(lockDir(run).c_str(), 0700), 0);
         ASSERT_EQ(chown(lockDir(run).c_str(), 65534, 65534), 0);
       },
       "/lumo does not belong to root"},
      {"directory others may write",
       [](const TempDir& run, const std::string&) {
         ASSERT_EQ(mkdir(lockDir(run).c_str(), 0700), 0);
         ASSERT_EQ(chmod(lockDir(run).c_str(), 01777), 0);
       },
       "/lumo can be written by group or others"},
      {"stand-in for /run others may write",
       [](const TempDir& run, const std::string&) {
         ASSERT_EQ(chmod(run.path().c_str(), 01777), 0);
       },
       " can be written by group or others"},
      {"hard link to a file at the lock file's name",
       [](const TempDir& run, const std::string& kept) {
         writeFile(kept, "root's\n");
         ASSERT_EQ(mkdir(lockDir(run).c_str(), 0700), 0);
         ASSERT_EQ(link(kept.c_str(), lockFile(run).c_str()), 0);
       },
       "/lumo/Lumo4.0_setup.lock is not a file of root's alone"},
  };
  for (const Planted& planted : cases) {
    SCOPED_TRACE(planted.what);
    TempDir run, elsewhere;
    planted.plant(run, elsewhere.file("kept"));
    std::string runBefore = treeOf(run.path()), elsewhereBefore = treeOf(elsewhere.path());
    RunLock lock;
    std::string note;
    EXPECT_EQ(lock.takeIn(run.path(), &note), RunLock::Outcome::kFailed);
    EXPECT_EQ(note, run.path() + planted.note);
    EXPECT_EQ(treeOf(run.path()), runBefore);
    EXPECT_EQ(treeOf(elsewhere.path()), elsewhereBefore);
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

// In a lock directory that others may enter, another user still cannot
// open the lock file to hold its flock: a lock file left readable by all is
// narrowed.
TEST(RunLock, OtherUsersCannotOpenTheLockFile) {
  if (geteuid() != 0)
    GTEST_SKIP() << "the lock file must be root's own";
  TempDir run;
  ASSERT_EQ(chmod(run.path().c_str(), 0755), 0);
  ASSERT_EQ(mkdir(lockDir(run).c_str(), 0755), 0);
  ASSERT_EQ(chmod(lockDir(run).c_str(), 0755), 0);
  {
    Fd earlier(open(lockFile(run).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644));
    ASSERT_TRUE(earlier.valid());
    ASSERT_EQ(fchmod(earlier.get(), 0644), 0);
  }
  ASSERT_TRUE(nobodyCanOpen(lockFile(run)));

  RunLock lock;
  std::string note;
  EXPECT_EQ(lock.takeIn(run.path(), &note), RunLock::Outcome::kTaken) << note;
  EXPECT_FALSE(nobodyCanOpen(lockFile(run)));
}

}  // namespace
