#include "base/fs_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "base/log.h"
#include "base/text.h"
#include "install_support.h"
#include "unit_support.h"

namespace {

// Each test's Log has no file open, so its lines go to standard error,
// where logOf reads them.

TEST(MakeDir, CreatesWithTheExactModeWhateverTheMask) {
  Log log;
  TempDir dir;
  std::string path = dir.file("new");
  DirResult result = DirResult::kFailed;
  EXPECT_EQ(logOf([&] { result = makeDir(log, path, true, 0755); }),
            "Created directory: '" + path + "'.\nChanging execution rights of '" + path +
                "' to  00755.\n");
  EXPECT_EQ(result, DirResult::kCreated);
  EXPECT_EQ(modeOf(path), 0755);
  logOf([&] { makeDir(log, dir.file("open"), true, 0777); });
  EXPECT_EQ(modeOf(dir.file("open")), 0777);
}

TEST(MakeDir, ChecksWithoutCreating) {
  Log log;
  TempDir dir;
  writeFile(dir.file("file"), "x");
  std::string logged = logOf([&] {
    EXPECT_EQ(makeDir(log, dir.path(), true, 0755), DirResult::kExists);
    EXPECT_EQ(makeDir(log, dir.file("file"), false, 0755), DirResult::kFailed);
    EXPECT_EQ(makeDir(log, dir.file("file"), true, 0755), DirResult::kFailed);
    EXPECT_EQ(makeDir(log, dir.file("missing"), false, 0755), DirResult::kFailed);
    EXPECT_EQ(makeDir(log, dir.file("no/parent"), true, 0755), DirResult::kFailed);
    EXPECT_EQ(makeDir(log, "", true, 0755), DirResult::kFailed);
  });
  EXPECT_EQ(logged, "");
  EXPECT_EQ(modeOf(dir.file("missing")), -1);
  EXPECT_EQ(modeOf(dir.path()), 0700);  // an existing directory keeps its mode
}

TEST(MakeDirPath, CreatesEveryMissingLevelAndRefusesLongPaths) {
  Log log;
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("a").c_str(), 0700), 0);
  logOf([&] { makeDirPath(log, dir.file("a/b/c")); });
  EXPECT_EQ(modeOf(dir.file("a")), 0700);  // existing levels keep their mode
  EXPECT_EQ(modeOf(dir.file("a/b")), 0755);
  EXPECT_EQ(modeOf(dir.file("a/b/c")), 0755);

  std::string deep = dir.file(std::string(250, 'd') + "/e");
  EXPECT_EQ(logOf([&] { makeDirPath(log, deep); }),
            "Path longer than 255 characters refused: '" + deep + "'.\n");
  EXPECT_EQ(modeOf(dir.file(std::string(250, 'd'))), -1);
}

// In a directory anyone can write, another user's link on the way leads
// nowhere: no directory is made, and no mode set, where it points.
TEST(MakeDirPath, NeverThroughAnotherUsersLink) {
  if (geteuid() != 0)
    GTEST_SKIP() << "links of another user need root";
  Log log;
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
  ASSERT_EQ(mkdir(dir.file("victim").c_str(), 0700), 0);
  ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file("doc").c_str()), 0);
  ASSERT_EQ(lchown(dir.file("doc").c_str(), 1000, 1000), 0);
  EXPECT_EQ(logOf([&] {
              makeDirPath(log, dir.file("doc/html/img"));
              EXPECT_EQ(makeDir(log, dir.file("doc/man"), true, 0777), DirResult::kFailed);
            }),
            "");
  EXPECT_EQ(modeOf(dir.file("victim")), 0700);
  EXPECT_EQ(modeOf(dir.file("victim/html")), -1);
  EXPECT_EQ(modeOf(dir.file("victim/man")), -1);
}

TEST(MakeLink, NeverReplacesAnything) {
  Log log;
  TempDir dir;
  std::string file = dir.file("filter"), link = dir.file("link");
  EXPECT_EQ(logOf([&] { EXPECT_FALSE(makeLink(log, file, link)); }), "No file: " + file + "\n");
  writeFile(file, "x");
  EXPECT_EQ(logOf([&] { EXPECT_TRUE(makeLink(log, file, link)); }), "");
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(target, file);

  ASSERT_EQ(mkdir(dir.file("dir").c_str(), 0755), 0);
  for (const std::string& taken : {link, file, dir.file("dir")})
    EXPECT_EQ(logOf([&] { EXPECT_FALSE(makeLink(log, file, taken)); }),
              "File: " + taken + " exists already. Not created as link!\n");
  EXPECT_EQ(readFile(file), "x");

  ASSERT_EQ(symlink(dir.file("gone").c_str(), dir.file("dangling").c_str()), 0);
  EXPECT_EQ(logOf([&] { EXPECT_FALSE(makeLink(log, file, dir.file("dangling"))); }), "");
}

TEST(MakeReportedLink, LineCarriesTheOutcome) {
  Log log;
  TempDir dir;
  std::string file = dir.file("ppd"), link = dir.file("oxa");
  EXPECT_EQ(logOf([&] { makeReportedLink(log, file, link); }),
            "No file: " + file + "\nLink 1: " + link + " linked to " + file + ".\n: WRONG!!!\n");
  EXPECT_FALSE(isPresent(link));
  ASSERT_EQ(mkdir(file.c_str(), 0755), 0);
  EXPECT_EQ(logOf([&] { makeReportedLink(log, file, link); }),
            "Link 1: " + link + " linked to " + file + ".\n");
  EXPECT_TRUE(isDirectory(link));
}

TEST(IsDirectory, OnlyForDirectories) {
  TempDir dir;
  writeFile(dir.file("file"), "x");
  ASSERT_EQ(symlink(dir.path().c_str(), dir.file("to-dir").c_str()), 0);
  EXPECT_TRUE(isDirectory(dir.path()));
  EXPECT_TRUE(isDirectory(dir.file("to-dir")));
  EXPECT_FALSE(isDirectory(dir.file("file")));
  EXPECT_FALSE(isDirectory(dir.file("missing")));
}

TEST(TextHelpers, BlankControlsAndTrimLineEnd) {
  std::string text = "a\tb\x1f\xc3\xa9\n";
  blankControls(text);
  EXPECT_EQ(text, "a b \xc3\xa9 ");

  for (auto [line, stripped] : {std::pair{"abc \r\n \n", "abc"}, {" \r\n", ""},
                                {"a\tb\t\r\n", "a\tb\t"}, {"a\r x", "a\r x"}}) {
    std::string s = line;
    trimEnd(s, "\r\n ");
    EXPECT_EQ(s, stripped);
  }
}

}  // namespace
