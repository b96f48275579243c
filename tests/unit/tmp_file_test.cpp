#include "base/tmp_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "unit_support.h"

namespace {

TEST(TmpFile, CreatesDistinctEmptyPrivateFiles) {
  TempDir dir;
  std::string first = newTmpFile(dir.path() + "/", "ORB");
  std::string second = newTmpFile(dir.path());
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    ASSERT_EQ(path.rfind(dir.path() + "/ORB", 0), 0u) << path;
    EXPECT_EQ(path.size(), dir.path().size() + 10);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
}

TEST(TmpFile, KeepsItsPrefixAndNeverReusesAName) {
  TempDir dir;
  std::string first = newTmpFile(dir.path() + "/", "ORBLPD");
  std::string second = newTmpFile(dir.path(), "ORBLPD");
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(dir.file("ORBLPD"), 0), 0u);
  EXPECT_EQ(first.size(), dir.file("ORBLPD").size() + 6);
  EXPECT_EQ(readFile(first), "");
}

TEST(TmpFile, NoDirectoryIsAnErrorWithItsMessage) {
  try {
    newTmpFile("/nonexistent-dir", "TST");
    FAIL() << "a file was created in a missing directory";
  } catch (const TmpFileError& error) {
    EXPECT_STREQ(error.what(), "myTmpName(/nonexistent-dir,TST) Failed!\n");
  }
}

}  // namespace
