#include "discovery/tmp_name.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "unit_support.h"

namespace {

TEST(TmpName, CreatesDistinctEmptyPrivateFiles) {
  TempDir dir;
  std::string first = myTmpName(dir.path() + "/", "ORB");
  std::string second = myTmpName(dir.path());
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

TEST(TmpNameDeath, NoDirectoryEndsTheProcess) {
  EXPECT_EXIT(myTmpName("/nonexistent-dir", "TST"), ::testing::ExitedWithCode(255),
              "myTmpName\\(/nonexistent-dir,TST\\) Failed!");
}

}  // namespace
