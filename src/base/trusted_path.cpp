#include "base/trusted_path.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/log.h"

namespace {

// One entry, not followed when it is a link: a link's own bits mean
// nothing, but its owner could point it elsewhere.
bool isRootOnlyEntry(const std::string& path, std::string* why) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  if (st.st_uid != 0) {
    *why = path + " does not belong to root";
    return false;
  }
  if (!S_ISLNK(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *why = path + " can be written by group or others";
    return false;
  }
  return true;
}

// Every prefix of an absolute path ending at a slash or at its end: "/",
// "/usr", "/usr/sbin", "/usr/sbin/cupsd".
bool isRootOnlyChain(const std::string& path, std::string* why) {
  if (path.empty() || path[0] != '/') {
    *why = "'" + path + "' is not an absolute path";
    return false;
  }
  if (!isRootOnlyEntry("/", why))
    return false;
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string prefix = path.substr(0, slash);
    if (prefix.size() > 1 && prefix.back() != '/' && !isRootOnlyEntry(prefix, why))
      return false;
    if (slash == std::string::npos)
      return true;
  }
}

}  // namespace

bool isRootOnlyPath(const std::string& path, std::string* why) {
  if (!isRootOnlyChain(path, why))
    return false;
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  return isRootOnlyChain(resolved, why);
}

File openRootOnlyFile(Log& log, const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0)
    return File();
  std::string why;
  if (!isRootOnlyPath(path, &why)) {
    log.printf("%s passed over: %s.", path.c_str(), why.c_str());
    return File();
  }
  File in = openRegularFile(path);
  if (!in)
    log.printf("%s passed over: not a regular file.", path.c_str());
  return in;
}
