#include "deinstall/remove_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

// Works on descriptors so that no step can be redirected through a link
// swapped in while the tree is being removed.
int removeTreeAt(int parent, const char* name) {
  int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return -1;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return -1;
  }
  while (dirent* entry = readdir(dir)) {
    if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
      continue;
    struct stat st;
    if (fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      continue;
    if (S_ISDIR(st.st_mode))
      removeTreeAt(fd, entry->d_name);
    else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
      unlinkat(fd, entry->d_name, 0);
  }
  closedir(dir);
  return unlinkat(parent, name, AT_REMOVEDIR) == 0 ? 0 : -1;
}

}  // namespace

int removeTree(const std::string& dir) {
  return removeTreeAt(AT_FDCWD, dir.c_str());
}
