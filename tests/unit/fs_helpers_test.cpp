#include "install/fs_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "install/line_end.h"
#include "install_support.h"
#include "unit_support.h"

namespace {

TEST(MakeDir, CreatesWithTheExactModeWhateverTheMask) {
  TempDir dir;
  std::string path = dir.file("new");
  int result = 0;
  EXPECT_EQ(logOf([&] { result = makeDir(path, 1, 0755); }),
            "Created directory: '" + path + "'.\nChanging execution rights of '" + path +
                "' to  00755.\n");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(modeOf(path), 0755);
  logOf([&] { makeDir(dir.file("open"), 1, 0777); });
  EXPECT_EQ(modeOf(dir.file("open")), 0777);
}

TEST(MakeDir, ChecksWithoutCreating) {
  TempDir dir;
  writeFile(dir.file("file"), "x");
  std::string log = logOf([&] {
    EXPECT_EQ(makeDir(dir.path(), 1, 0755), 0);
    EXPECT_EQ(makeDir(dir.file("file"), 0, 0755), -1);
    EXPECT_EQ(makeDir(dir.file("file"), 1, 0755), -1);
    EXPECT_EQ(makeDir(dir.file("missing"), 0, 0755), -1);
    EXPECT_EQ(makeDir(dir.file("no/parent"), 1, 0755), -1);
    EXPECT_EQ(makeDir("", 1, 0755), -1);
  });
  EXPECT_EQ(log, "");
  EXPECT_EQ(modeOf(dir.file("missing")), -1);
  EXPECT_EQ(modeOf(dir.path()), 0700);  // an existing directory keeps its mode
}

TEST(MakeDirPath, CreatesEveryMissingLevelAndRefusesLongPaths) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("a").c_str(), 0700), 0);
  logOf([&] { EXPECT_EQ(makeDirPath(dir.file("a/b/c")), 0); });
  EXPECT_EQ(modeOf(dir.file("a")), 0700);  // existing levels keep their mode
  EXPECT_EQ(modeOf(dir.file("a/b")), 0777);
  EXPECT_EQ(modeOf(dir.file("a/b/c")), 0777);

  std::string deep = dir.file(std::string(250, 'd') + "/e");
  EXPECT_EQ(logOf([&] { makeDirPath(deep); }),
            "Path longer than 255 characters refused: '" + deep + "'.\n");
  EXPECT_EQ(modeOf(dir.file(std::string(250, 'd'))), -1);
}

TEST(MakeLink, NeverReplacesAnything) {
  TempDir dir;
  std::string file = dir.file("filter"), link = dir.file("link");
  EXPECT_EQ(logOf([&] { EXPECT_EQ(makeLink(file, link), -1); }), "No file: " + file + "\n");
  writeFile(file, "x");
  EXPECT_EQ(logOf([&] { EXPECT_EQ(makeLink(file, link), 0); }), "");
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(target, file);

  ASSERT_EQ(mkdir(dir.file("dir").c_str(), 0755), 0);
  for (const std::string& taken : {link, file, dir.file("dir")})
    EXPECT_EQ(logOf([&] { EXPECT_EQ(makeLink(file, taken), -1); }),
              "File: " + taken + " exists already. Not created as link!\n");
  EXPECT_EQ(readFile(file), "x");

  ASSERT_EQ(symlink(dir.file("gone").c_str(), dir.file("dangling").c_str()), 0);
  EXPECT_EQ(logOf([&] { EXPECT_EQ(makeLink(file, dir.file("dangling")), -1); }), "");
}

TEST(MakeReportedLink, LineCarriesTheOutcome) {
  TempDir dir;
  std::string file = dir.file("ppd"), link = dir.file("oxa");
  EXPECT_EQ(logOf([&] { makeReportedLink(file, link); }),
            "No file: " + file + "\nLink 1: " + link + " linked to " + file + ".\n: WRONG!!!\n");
  EXPECT_FALSE(isPresent(link));
  ASSERT_EQ(mkdir(file.c_str(), 0755), 0);
  EXPECT_EQ(logOf([&] { makeReportedLink(file, link); }),
            "Link 1: " + link + " linked to " + file + ".\n");
  EXPECT_EQ(fileExists(link), 1);
}

TEST(FileExists, OnlyForDirectories) {
  TempDir dir;
  writeFile(dir.file("file"), "x");
  ASSERT_EQ(symlink(dir.path().c_str(), dir.file("to-dir").c_str()), 0);
  EXPECT_EQ(fileExists(dir.path()), 1);
  EXPECT_EQ(fileExists(dir.file("to-dir")), 1);
  EXPECT_EQ(fileExists(dir.file("file")), 0);
  EXPECT_EQ(fileExists(dir.file("missing")), 0);
}

TEST(TextHelpers, BlankControlsAndStripLineEnd) {
  std::string text = "a\tb\x1f\xc3\xa9\n";
  blankControls(text);
  EXPECT_EQ(text, "a b \xc3\xa9 ");

  for (auto [line, stripped] : {std::pair{"abc \r\n \n", "abc"}, {" \r\n", ""},
                                {"a\tb\t\r\n", "a\tb\t"}, {"a\r x", "a\r x"}}) {
    std::string s = line;
    EXPECT_EQ(stripLineEnd(s), 0);
    EXPECT_EQ(s, stripped);
  }
}

}  // namespace
