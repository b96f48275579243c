#include "base/trusted_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "unit_support.h"

namespace {

TEST(TrustedPath, RootsOwnSystemFileIsTrusted) {
  if (geteuid() != 0)
    GTEST_SKIP() << "the system's files belong to root only as seen by root";
  std::string why;
  EXPECT_TRUE(isRootOnlyPath("/bin/sh", &why)) << why;
  EXPECT_TRUE(isRootOnlyPath("/usr/bin", &why)) << why;
}

// A program under a directory others can write (the temporary directory)
// is never trusted, whoever owns the program itself.
TEST(TrustedPath, FileBelowWritableDirectoryIsNot) {
  TempDir dir;
  std::string program = dir.file("cupsd");
  std::ofstream(program) << "#!/bin/sh\n";
  chmod(program.c_str(), 0755);
  chmod(dir.path().c_str(), 0755);
  std::string why;
  EXPECT_FALSE(isRootOnlyPath(program, &why));
  EXPECT_NE(why.find("can be written by group or others"), std::string::npos) << why;
}

TEST(TrustedPath, RelativeOrMissingPathIsNot) {
  TempDir dir;
  std::string why;
  EXPECT_FALSE(isRootOnlyPath("relative/path", &why));
  EXPECT_FALSE(isRootOnlyPath(dir.file("missing"), &why));
}

}  // namespace
