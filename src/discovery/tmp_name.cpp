#include "discovery/tmp_name.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

std::string myTmpName(const std::string& dir, const char* prefix) {
  if (!prefix)
    prefix = "ORB";
  std::string base = dir;
  if (!base.empty() && base.back() == '/')
    base.pop_back();
  std::string path = base + "/ORBXXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) {
    std::fprintf(stderr, "myTmpName(%s,%s) Failed!\n", dir.c_str(), prefix);
    std::exit(255);
  }
  close(fd);
  return name.data();
}
