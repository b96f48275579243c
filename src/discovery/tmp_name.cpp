#include "discovery/tmp_name.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

// The named file, or the end of the process when it cannot be had.
std::string createOrExit(const std::string& dir, const char* namePrefix, const char* caller) {
  std::string path;
  int fd = createTmpFile(dir, namePrefix, path);
  if (fd < 0) {
    std::fprintf(stderr, "myTmpName(%s,%s) Failed!\n", dir.c_str(), caller);
    std::exit(255);
  }
  close(fd);
  return path;
}

}  // namespace

int createTmpFile(const std::string& dir, const std::string& prefix, std::string& path) {
  std::string base = dir;
  if (!base.empty() && base.back() == '/')
    base.pop_back();
  std::string pattern = base + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd >= 0)
    path = name.data();
  return fd;
}

std::string myTmpName(const std::string& dir, const char* prefix) {
  return createOrExit(dir, "ORB", prefix ? prefix : "ORB");
}

std::string tmpFileNamed(const std::string& dir, const char* namePrefix) {
  return createOrExit(dir, namePrefix, namePrefix);
}
