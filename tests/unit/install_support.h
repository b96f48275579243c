// Helpers for the unit tests of the installation steps.
#ifndef LUMO_TESTS_INSTALL_SUPPORT_H
#define LUMO_TESTS_INSTALL_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "unit_support.h"

// The permission bits of the path, or -1 when it is missing.
inline int modeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// Runs the call under the file-creation mask 077 and returns what it
// logged: with no Log file open, log lines go to standard error.
template <class Call>
std::string logOf(Call call) {
  mode_t old = umask(077);
  testing::internal::CaptureStderr();
  call();
  umask(old);
  return testing::internal::GetCapturedStderr();
}

// Runs the call under the file-creation mask 077 and returns the lines it
// added to the test's Log file.
template <class Call>
std::string logOf(const TempLog& log, Call call) {
  std::string before = log.text();
  mode_t old = umask(077);
  call();
  umask(old);
  std::string after = log.text();
  EXPECT_EQ(after.compare(0, before.size(), before), 0) << "the Log file lost lines";
  return after.substr(before.size());
}

#endif
