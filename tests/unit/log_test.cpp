#include "base/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "unit_support.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override { log.close(); }
  TempDir dir;
  Log log;
  std::string path = dir.file("UpdateLog");
};

TEST_F(LogTest, OneLinePerMessage) {
  ASSERT_TRUE(log.open(path));
  EXPECT_TRUE(log.isOpen());
  EXPECT_EQ(log.path(), path);
  log.message("abc");
  log.message("def\n");
  log.message("\n\n\tX");
  // Flushed at once: the file is complete before closing.
  EXPECT_EQ(readFile(path), "abc\ndef\n\n\n\tX\n");
}

TEST_F(LogTest, TruncatesAndEndsWithFinishingLine) {
  writeFile(path, "an older run\n");
  ASSERT_TRUE(log.open(path));
  log.printf("%d items", 3);
  log.close();
  EXPECT_FALSE(log.isOpen());
  std::string text = readFile(path);
  EXPECT_EQ(text.rfind("3 items\nFinishing Lumo 4.0-0 installation : ", 0), 0u) << text;
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\n', text.find("Finishing")), text.size() - 1);
}

TEST_F(LogTest, EmptyFormattedMessageIsNotLogged) {
  ASSERT_TRUE(log.open(path));
  log.printf("%s", "");
  log.message("");
  EXPECT_EQ(readFile(path), "\n");
}

TEST_F(LogTest, DiscardingLogWritesNowhere) {
  log.discard();
  testing::internal::CaptureStderr();
  log.message("dropped");
  log.printf("%s", "dropped too");
  log.close();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(log.isOpen());
}

TEST_F(LogTest, UnopenableLogFallsBackToStandardError) {
  EXPECT_FALSE(log.open(dir.file("missing/UpdateLog")));
  EXPECT_FALSE(log.isOpen());
  testing::internal::CaptureStderr();
  log.message("to the console");
  log.printf(msg::kCopyingResult, "a", "b", 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "to the console\nCopying a to b: result=0\n");
}

// Whatever is in the Log file's place but a regular file of ours is
// replaced by a new file: a link is not followed, a pipe not waited on, a
// second name of another file not written through.
// A link or another's file in the Log's place is replaced; a directory,
// a pipe or a device is someone's: it stays, and the Log goes to standard
// error.
TEST_F(LogTest, ALinkOrFileIsReplacedNeverWrittenThroughOtherEntriesStay) {
  std::string victim = dir.file("shadow");
  auto planted = [&](const std::function<void()>& plant) {
    writeFile(victim, "victim\n");
    std::filesystem::remove_all(path);
    plant();
    bool opened = log.open(path);
    log.message("logged");
    log.close();
    return opened && readFile(victim) == "victim\n" &&
           std::filesystem::is_regular_file(std::filesystem::symlink_status(path)) &&
           readFile(path).rfind("logged\nFinishing", 0) == 0;
  };
  EXPECT_TRUE(planted([&] { symlink(victim.c_str(), path.c_str()); }));
  EXPECT_TRUE(planted([&] { symlink(dir.file("absent").c_str(), path.c_str()); }));
  EXPECT_FALSE(std::filesystem::exists(dir.file("absent")));
  EXPECT_TRUE(planted([&] { link(victim.c_str(), path.c_str()); }));
  for (auto plant : std::vector<std::function<void()>>{
           [&] { mkfifo(path.c_str(), 0666); },
           [&] { std::filesystem::create_directories(path + "/sub"); }}) {
    std::filesystem::remove_all(path);
    plant();
    EXPECT_FALSE(log.open(path));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path)));
  }
  EXPECT_TRUE(std::filesystem::exists(path + "/sub"));
  std::filesystem::remove_all(path);
  EXPECT_EQ(log.descriptorPath(), "");
  ASSERT_TRUE(log.open(path));
  struct stat named, reached;
  ASSERT_EQ(stat(path.c_str(), &named), 0);
  ASSERT_EQ(stat(log.descriptorPath().c_str(), &reached), 0);
  EXPECT_EQ(named.st_ino, reached.st_ino);
}

// Whatever the file-creation mask, the Log and an earlier one are readable
// by root and the adm group only.
TEST_F(LogTest, ReadableByRootAndAdmOnly) {
  mode_t mask = umask(0);
  ASSERT_TRUE(log.open(path));
  umask(mask);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, kLogMode);
  writeFile(dir.file("old"), "old\n");
  chmod(dir.file("old").c_str(), 0666);
  keepPreviousLog(dir.file("old"));
  ASSERT_EQ(stat(dir.file("old.1").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, kLogMode);
  EXPECT_EQ(readFile(dir.file("old.1")), "old\n");
  // A directory in the Log's place is someone's: it stays where it is.
  std::filesystem::create_directory(dir.file("dir"));
  keepPreviousLog(dir.file("dir"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("dir")));
}

TEST_F(LogTest, TracesOnlyAboveDebugLevelZeroAndNeverInTheFile) {
  ASSERT_TRUE(log.open(path));
  testing::internal::CaptureStderr();
  log.trace("quiet %d\n", 0);
  log.setDebugLevel(1);
  EXPECT_EQ(log.debugLevel(), 1);
  log.trace("loud %d\n", 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "loud 1\n");
  EXPECT_EQ(readFile(path), "");
}

}  // namespace
