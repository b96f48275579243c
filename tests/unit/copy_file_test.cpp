#include "base/copy_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "unit_support.h"

namespace {

const std::string kProducts = LUMO_PRODUCT_PPD_DIR;

mode_t modeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

size_t entries(const std::string& dir) {
  return size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
}

// The text readUncompressed reads from source, or "failed".
std::string uncompressed(const std::string& source) {
  std::string text;
  return readUncompressed(source, text) ? text : "failed";
}

TEST(CopyFile, ReplacesWholeOrNotAtAll) {
  TempDir dir;
  std::string text(100000, 'x');  // more than two blocks
  writeFile(dir.file("source"), text);
  writeFile(dir.file("target"), "good\n");
  chmod(dir.file("target").c_str(), 0604);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("target")), 1);
  EXPECT_EQ(readFile(dir.file("target")), text);
  EXPECT_EQ(modeOf(dir.file("target")), 0604u);

  EXPECT_EQ(copyFile(dir.path(), dir.file("target")), 0);  // a directory reads as nothing
  EXPECT_EQ(copyFile(dir.file("missing"), dir.file("target")), 0);
  EXPECT_EQ(readFile(dir.file("target")), text);
  errno = 0;
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("none/target")), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(entries(dir.path()), 2u);  // no staged file left
}

TEST(CopyFile, NewTargetGetsTheSourceBitsLessTheMask) {
  TempDir dir;
  writeFile(dir.file("source"), "ppd\n");
  chmod(dir.file("source").c_str(), 0640);
  mode_t old = umask(022);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("kept")), 1);
  umask(077);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("private")), 1);
  umask(old);
  EXPECT_EQ(modeOf(dir.file("kept")), 0640u);
  EXPECT_EQ(modeOf(dir.file("private")), 0600u);
}

TEST(CopyFile, ALinkAtTheTargetIsReplacedNotWrittenThrough) {
  TempDir dir;
  writeFile(dir.file("source"), "new\n");
  chmod(dir.file("source").c_str(), 0640);
  writeFile(dir.file("victim"), "old\n");
  chmod(dir.file("victim").c_str(), 0600);
  ASSERT_EQ(symlink("victim", dir.file("link").c_str()), 0);
  mode_t old = umask(022);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("link")), 1);
  umask(old);
  EXPECT_FALSE(std::filesystem::is_symlink(dir.file("link")));
  EXPECT_EQ(readFile(dir.file("link")), "new\n");
  EXPECT_EQ(modeOf(dir.file("link")), 0640u);  // a new file's bits, not the victim's
  EXPECT_EQ(readFile(dir.file("victim")), "old\n");
  EXPECT_EQ(modeOf(dir.file("victim")), 0600u);
}

TEST(CopyFile, AnExplicitModeIsGivenWhateverWasThere) {
  TempDir dir;
  writeFile(dir.file("source"), "filter\n");
  writeFile(dir.file("target"), "old\n");
  chmod(dir.file("target").c_str(), 0600);
  mode_t old = umask(077);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("target"), 04755), 1);
  umask(old);
  EXPECT_EQ(modeOf(dir.file("target")), 04755u);
}

TEST(CopyFile, SameContentComparesEveryByte) {
  TempDir dir;
  std::string text(100000, 'x');
  writeFile(dir.file("a"), text);
  writeFile(dir.file("b"), text);
  EXPECT_TRUE(sameContent(dir.file("a"), dir.file("b")));
  text[90000] = 'y';  // in the third block
  writeFile(dir.file("b"), text);
  EXPECT_FALSE(sameContent(dir.file("a"), dir.file("b")));
  writeFile(dir.file("b"), text.substr(0, 50000));
  EXPECT_FALSE(sameContent(dir.file("a"), dir.file("b")));
  EXPECT_FALSE(sameContent(dir.file("a"), dir.file("missing")));
}

TEST(CopyFile, TargetKeepsItsOwnerAndGroup) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give the target another owner";
  TempDir dir;
  writeFile(dir.file("source"), "new\n");
  writeFile(dir.file("target"), "old\n");
  ASSERT_EQ(chown(dir.file("target").c_str(), 1, 7), 0);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("target")), 1);
  struct stat st;
  stat(dir.file("target").c_str(), &st);
  EXPECT_EQ(st.st_uid, 1u);
  EXPECT_EQ(st.st_gid, 7u);

  // A backup never grants more than the file it copies: an earlier backup
  // readable by everyone takes the source's bits, owner and group.
  ASSERT_EQ(chown(dir.file("source").c_str(), 0, 7), 0);
  chmod(dir.file("source").c_str(), 0640);
  chmod(dir.file("target").c_str(), 0644);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("target"), kSourceMode), 1);
  stat(dir.file("target").c_str(), &st);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_gid, 7u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(ReadUncompressed, PlainAndGzippedWholeDamagedNot) {
  TempDir dir;
  std::string plain = kProducts + "/nlp12ps.ppd";
  std::string gz = kProducts + "/nlp12pc.ppd.gz";
  EXPECT_EQ(uncompressed(plain), readFile(plain));
  std::string text = gunzip(gz);
  ASSERT_NE(text.find("*CloseUI"), std::string::npos);
  EXPECT_EQ(uncompressed(gz), text);

  std::string packed = readFile(gz);
  writeFile(dir.file("cut.gz"), packed.substr(0, packed.size() - 4));  // no length
  EXPECT_EQ(uncompressed(dir.file("cut.gz")), "failed");
  packed[packed.size() / 2] ^= 0x55;
  writeFile(dir.file("damaged.gz"), packed);
  EXPECT_EQ(uncompressed(dir.file("damaged.gz")), "failed");
  EXPECT_EQ(uncompressed(dir.file("missing")), "failed");
}

}  // namespace
