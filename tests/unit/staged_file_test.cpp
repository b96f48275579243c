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


// Writes "text" into dir/name through a StagedFile; the errno of a failure,
// 0 when the file took its place.
int stageInto(const std::string& dir, const std::string& name) {
  StagedFile out(dir + "/" + name);
  if (out.ok())
    std::fputs("text\n", out.stream());
  return out.commit({0644}) ? 0 : out.error();
}

// A link on a directory of the path is followed only when no one but root
// can have placed it: a user's link, or root's in a directory others can
// write, would let them send root's file anywhere.
TEST(StagedFile, ALinkOnTheWayIsFollowedOnlyWhenRootAlonePlacedIt) {
  if (geteuid() != 0)
    GTEST_SKIP() << "links of another user need root";
  TempDir dir;
  const std::string open = dir.file("open"), sticky = dir.file("sticky"), shut = dir.file("shut");
  const std::string victim = dir.file("victim");
  for (const std::string& d : {open, sticky, shut, victim})
    ASSERT_EQ(mkdir(d.c_str(), 0755), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);
  auto link = [&](const std::string& at, uid_t owner) {
    ASSERT_EQ(symlink(victim.c_str(), at.c_str()), 0);
    ASSERT_EQ(lchown(at.c_str(), owner, owner), 0);
  };
  link(open + "/users", 1000);
  link(open + "/roots", 0);
  link(sticky + "/users", 1000);
  link(sticky + "/roots", 0);
  link(shut + "/roots", 0);
  ASSERT_EQ(symlink("../shut/roots", (sticky + "/relative").c_str()), 0);
  writeFile(dir.file("plain"), "");

  EXPECT_EQ(stageInto(open + "/users", "a"), ELOOP);
  EXPECT_EQ(stageInto(open + "/roots", "b"), ELOOP);
  EXPECT_EQ(stageInto(sticky + "/users", "c"), ELOOP);
  EXPECT_EQ(stageInto(dir.file("plain"), "d"), ENOTDIR);
  EXPECT_EQ(entries(victim), 0u);

  EXPECT_EQ(stageInto(sticky + "/roots", "e"), 0);
  EXPECT_EQ(stageInto(shut + "/roots", "f"), 0);
  EXPECT_EQ(stageInto(sticky + "/relative", "g"), 0);
  EXPECT_EQ(readFile(victim + "/e") + readFile(victim + "/f") + readFile(victim + "/g"),
            "text\ntext\ntext\n");
  EXPECT_EQ(entries(victim), 3u);
}

}  // namespace
