#include "discovery/tmp_name.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

std::string createTmpFile(const std::string& dir, const char* namePrefix, const char* caller) {
  std::string base = dir;
  if (!base.empty() && base.back() == '/')
    base.pop_back();
  std::string path = base + "/" + namePrefix + "XXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) {
    std::fprintf(stderr, "myTmpName(%s,%s) Failed!\n", dir.c_str(), caller);
    std::exit(255);
  }
  close(fd);
  return name.data();
}

}  // namespace

std::string myTmpName(const std::string& dir, const char* prefix) {
  return createTmpFile(dir, "ORB", prefix ? prefix : "ORB");
}

std::string tmpFileNamed(const std::string& dir, const char* namePrefix) {
  return createTmpFile(dir, namePrefix, namePrefix);
}
