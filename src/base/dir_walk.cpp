#include "base/dir_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "base/text.h"

namespace {

// As many links as the kernel follows in one path.
constexpr int kMostLinks = 40;

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool isOurs(uid_t uid) {
  return uid == 0 || uid == geteuid();
}

// Whether only we (or root) can have put the link there.
bool placedByUs(int dirFd, const struct stat& link) {
  struct stat dir;
  if (fstat(dirFd, &dir) != 0)
    return false;
  bool othersCanReplace = (dir.st_mode & (S_IWGRP | S_IWOTH)) && !(dir.st_mode & S_ISVTX);
  return isOurs(link.st_uid) && isOurs(dir.st_uid) && !othersCanReplace;
}

// Adds the path's names to the stack of names still to walk, the first on
// top; empty names and "." are left out.
void pushNames(const std::string& path, std::vector<std::string>& stack) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos)
      end = path.size();
    std::string name = path.substr(start, end - start);
    if (!name.empty() && name != ".")
      names.push_back(name);
    start = end + 1;
  }
  stack.insert(stack.end(), names.rbegin(), names.rend());
}

std::string readLinkAt(int dirFd, const std::string& name) {
  std::vector<char> text(PATH_MAX);
  ssize_t size = readlinkat(dirFd, name.c_str(), text.data(), text.size());
  if (size <= 0 || size_t(size) >= text.size())
    return std::string();
  return std::string(text.data(), size_t(size));
}

Fd openStart(const std::string& path) {
  return Fd(open(!path.empty() && path[0] == '/' ? "/" : ".", kDirFlags));
}

}  // namespace

Fd openParentWalking(const std::string& path, std::string* name) {
  *name = lastName(path);
  return openDirectoryWalking(parentDir(path));
}

Fd openDirectoryWalking(const std::string& path) {
  std::vector<std::string> names;
  pushNames(path, names);
  Fd dir = openStart(path);
  int links = 0;
  while (dir.valid() && !names.empty()) {
    std::string name = names.back();
    names.pop_back();
    Fd next(openat(dir.get(), name.c_str(), kDirFlags | O_NOFOLLOW));
    if (next.valid()) {
      dir = std::move(next);
      continue;
    }
    int why = errno;
    struct stat st;
    if (fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) {
      errno = why;
      return Fd();
    }
    std::string target;
    if (++links > kMostLinks || !placedByUs(dir.get(), st) ||
        (target = readLinkAt(dir.get(), name)).empty()) {
      errno = ELOOP;
      return Fd();
    }
    if (target[0] == '/')
      dir = openStart(target);
    pushNames(target, names);
  }
  return dir;
}
