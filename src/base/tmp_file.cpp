#include "base/tmp_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include "base/text.h"

Fd createExclusive(const std::string& stem, std::string& path) {
  std::vector<char> name(stem.begin(), stem.end());
  for (int i = 0; i < 6; ++i)
    name.push_back('X');
  name.push_back('\0');
  Fd fd(mkstemp(name.data()));
  if (fd.valid())
    path = name.data();
  return fd;
}

Fd createTmpFile(const std::string& dir, const std::string& prefix, std::string& path) {
  std::string base = dir;
  if (!base.empty() && base.back() == '/')
    base.pop_back();
  return createExclusive(base + "/" + prefix, path);
}

std::string newTmpFile(const std::string& dir, const char* prefix) {
  std::string path;
  if (!createTmpFile(dir, prefix, path).valid())
    throw TmpFileError(formatText("myTmpName(%s,%s) Failed!\n", dir.c_str(), prefix));
  return path;
}

ScratchFiles::~ScratchFiles() {
  for (const std::string& path : paths_)
    unlink(path.c_str());
}

void ScratchFiles::hold(const std::string& path) {
  paths_.push_back(path);
}

void ScratchFiles::release(const std::string& path) {
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}
