#include "base/tmp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "base/text.h"

Fd createExclusiveAt(int dirFd, const std::string& stem, std::string& name) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr int kTries = 100;
  std::random_device random;
  std::uniform_int_distribution<size_t> letter(0, sizeof kLetters - 2);
  for (int i = 0; i < kTries; ++i) {
    std::string candidate = stem;
    for (int x = 0; x < 6; ++x)
      candidate += kLetters[letter(random)];
    Fd fd(openat(dirFd, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 0600));
    if (fd.valid())
      name = candidate;
    if (fd.valid() || errno != EEXIST)
      return fd;
  }
  return Fd();  // errno stays EEXIST
}

Fd createTmpFile(const std::string& dir, const std::string& prefix, std::string& path) {
  std::string base = dir;
  if (!base.empty() && base.back() == '/')
    base.pop_back();
  Fd dirFd(open(base.empty() ? "/" : base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::string name;
  Fd fd = dirFd.valid() ? createExclusiveAt(dirFd.get(), prefix, name) : Fd();
  if (fd.valid())
    path = base + "/" + name;
  return fd;
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
