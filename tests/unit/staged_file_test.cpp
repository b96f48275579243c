#include "base/staged_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "install_support.h"
#include "unit_support.h"

namespace {

size_t entries(const std::string& dir) {
  return size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(StagedFile, TakesTheTargetsPlaceOnlyWhenCommitted) {
  TempDir dir;
  std::string target = dir.file("target");
  writeFile(target, "old\n");
  {
    StagedFile out(target);
    ASSERT_TRUE(out.ok());
    std::fputs("abandoned\n", out.stream());
  }
  EXPECT_EQ(readFile(target), "old\n");
  EXPECT_EQ(entries(dir.path()), 1u);

  StagedFile out(target);
  std::fputs("new\n", out.stream());
  EXPECT_EQ(readFile(target), "old\n");  // nothing shows before the commit
  ASSERT_TRUE(out.commit({0751}));
  EXPECT_EQ(readFile(target), "new\n");
  EXPECT_EQ(modeOf(target), 0751);
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(StagedFile, ALinkAtTheTargetIsReplacedNeverFollowed) {
  TempDir dir;
  std::string target = dir.file("info");
  writeFile(dir.file("victim"), "victim\n");
  chmod(dir.file("victim").c_str(), 0600);
  ASSERT_EQ(symlink(dir.file("victim").c_str(), target.c_str()), 0);
  StagedFile out(target);
  std::fputs("info\n", out.stream());
  // The link's own bits (0777) and those of what it names count for nothing.
  ASSERT_TRUE(out.commitKeeping(0644));
  EXPECT_FALSE(std::filesystem::is_symlink(target));
  EXPECT_EQ(readFile(target), "info\n");
  EXPECT_EQ(modeOf(target), 0644);
  EXPECT_EQ(readFile(dir.file("victim")), "victim\n");
  EXPECT_EQ(modeOf(dir.file("victim")), 0600);
}

TEST(StagedFile, KeepsARegularTargetsBitsAndOwner) {
  TempDir dir;
  std::string target = dir.file("lumoConfig");
  writeFile(target, "old\n");
  chmod(target.c_str(), 0640);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(target.c_str(), 1, 7), 0);
  }
  StagedFile out(target);
  std::fputs("new\n", out.stream());
  ASSERT_TRUE(out.commitKeeping(0644));
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (geteuid() == 0) {
    EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(uid_t(1), gid_t(7)));
  }
}

TEST(StagedFile, AFailedWriteOrRenameLeavesTheTargetAndNoStagedFile) {
  TempDir dir;
  std::string target = dir.file("script");
  writeFile(target, "old\n");
  {
    StagedFile out(target);
    std::fputs(std::string(10000, 'x').c_str(), out.stream());
    FileSizeLimit full(4096);  // the disk fills up before the flush
    EXPECT_FALSE(out.commit({0755}));
    EXPECT_EQ(out.error(), EFBIG);
  }
  EXPECT_EQ(readFile(target), "old\n");
  EXPECT_EQ(entries(dir.path()), 1u);

  // A directory in the target's place is not replaced.
  std::filesystem::create_directories(dir.file("taken/sub"));
  StagedFile out(dir.file("taken"));
  ASSERT_TRUE(out.ok());
  EXPECT_FALSE(out.commit({0644}));
  EXPECT_NE(out.error(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken/sub")));
  EXPECT_EQ(entries(dir.path()), 2u);

  StagedFile nowhere(dir.file("missing/file"));
  EXPECT_FALSE(nowhere.ok());
  EXPECT_EQ(nowhere.error(), ENOENT);
  EXPECT_FALSE(nowhere.commit({0644}));
}

}  // namespace
