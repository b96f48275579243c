#include "base/remove_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "base/dir_entries.h"
#include "base/files.h"

// Works on descriptors so that no step can be redirected through a link
// swapped in while the tree is being removed.
int removeTreeAt(int parent, const char* name) {
  Fd fd(openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid())
    return -1;
  Dir dir(fdopendir(fd.get()));
  if (!dir)
    return -1;
  fd.release();  // the listing owns it now
  int at = dirfd(dir.get());
  while (dirent* entry = readdir(dir.get())) {
    if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
      continue;
    struct stat st;
    if (fstatat(at, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      continue;
    if (S_ISDIR(st.st_mode))
      removeTreeAt(at, entry->d_name);
    else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
      unlinkat(at, entry->d_name, 0);
  }
  dir.reset();
  return unlinkat(parent, name, AT_REMOVEDIR) == 0 ? 0 : -1;
}

int removeTree(const std::string& dir) {
  return removeTreeAt(AT_FDCWD, dir.c_str());
}
