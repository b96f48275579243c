#include "ppd/copy_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

constexpr size_t kBlockSize = 40960;

// The file a path names, through a symbolic link, so that replacing it
// keeps the link.
std::string resolved(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real)
    return path;
  std::string result = real;
  free(real);
  return result;
}

bool copyBlocks(FILE* in, FILE* out) {
  std::vector<char> block(kBlockSize);
  size_t got;
  do {
    got = std::fread(block.data(), 1, block.size(), in);
    if (got > 0 && std::fwrite(block.data(), 1, got, out) != got)
      return false;
  } while (got == block.size());
  return !std::ferror(in);
}

// The permission bits a new file gets from the process's creation mask.
mode_t newFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string stageBeside(const std::string& path) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0)
    return std::string();
  close(fd);
  return name.data();
}

int replaceByStaged(const std::string& staged, const std::string& target) {
  struct stat old;
  bool ok;
  if (stat(target.c_str(), &old) == 0) {
    ok = chmod(staged.c_str(), old.st_mode & 07777) == 0;
    // The copy keeps the target's owner; a file of ours needs no chown.
    if (ok && (old.st_uid != geteuid() || old.st_gid != getegid()))
      ok = chown(staged.c_str(), old.st_uid, old.st_gid) == 0;
  } else {
    ok = chmod(staged.c_str(), newFileMode()) == 0;
  }
  if (ok && rename(staged.c_str(), target.c_str()) == 0)
    return 1;
  unlink(staged.c_str());
  return 0;
}

int copyFile(const std::string& source, const std::string& target) {
  FILE* in = std::fopen(source.c_str(), "rb");
  if (!in)
    return 0;
  std::string real = resolved(target);
  std::string staged = stageBeside(real);
  FILE* out = staged.empty() ? nullptr : std::fopen(staged.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    if (!staged.empty())
      unlink(staged.c_str());
    return 0;
  }
  bool copied = copyBlocks(in, out);
  std::fclose(in);
  copied = std::fclose(out) == 0 && copied;
  if (!copied) {
    unlink(staged.c_str());
    return 0;
  }
  return replaceByStaged(staged, real);
}
