#include "base/remove_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ppd/printer_list.h"
#include "unit_support.h"

namespace {

bool present(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

TEST(RemoveTree, RemovesFilesLinksAndSubdirectories) {
  TempDir dir;
  std::string top = dir.file("top");
  ASSERT_EQ(mkdir(top.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((top + "/sub").c_str(), 0700), 0);
  writeFile(top + "/a", "a");
  writeFile(top + "/sub/b", "b");
  ASSERT_EQ(symlink("/nonexistent", (top + "/dangling").c_str()), 0);
  EXPECT_EQ(removeTree(top), 0);
  EXPECT_FALSE(present(top));
  EXPECT_EQ(removeTree(top), -1);
}

TEST(RemoveTree, NeverFollowsLinks) {
  TempDir dir;
  std::string outside = dir.file("outside");
  std::string top = dir.file("top");
  ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
  writeFile(outside + "/precious", "keep");
  ASSERT_EQ(mkdir(top.c_str(), 0755), 0);
  ASSERT_EQ(symlink(outside.c_str(), (top + "/link").c_str()), 0);
  ASSERT_EQ(symlink(outside.c_str(), dir.file("toplink").c_str()), 0);

  EXPECT_EQ(removeTree(dir.file("toplink")), -1);  // a link is not read as a directory
  EXPECT_TRUE(present(dir.file("toplink")));
  EXPECT_EQ(removeTree(top), 0);                   // the inner link goes as a link
  EXPECT_EQ(readFile(outside + "/precious"), "keep");
}

TEST(RemoveTree, LeavesFifosAndKeepsTheirDirectory) {
  TempDir dir;
  std::string top = dir.file("top");
  ASSERT_EQ(mkdir(top.c_str(), 0755), 0);
  ASSERT_EQ(mkfifo((top + "/fifo").c_str(), 0600), 0);
  writeFile(top + "/beside", "x");
  writeFile(dir.file("file"), "x");
  EXPECT_EQ(removeTree(top), -1);
  EXPECT_TRUE(present(top + "/fifo"));
  EXPECT_FALSE(present(top + "/beside"));
  EXPECT_EQ(removeTree(dir.file("file")), -1);  // not a directory: untouched
  EXPECT_TRUE(present(dir.file("file")));
}

TEST(Deinstall, PathSafeNames) {
  EXPECT_TRUE(isPathSafeName("lab1"));
  EXPECT_TRUE(isPathSafeName("a b;$c"));
  EXPECT_TRUE(isPathSafeName("..."));
  EXPECT_FALSE(isPathSafeName("../../etc"));
  EXPECT_FALSE(isPathSafeName("."));
  EXPECT_FALSE(isPathSafeName(".."));
  EXPECT_FALSE(isPathSafeName("a/b"));
}

}  // namespace
