// Walking a directory's entries in the order the directory lists them.
#ifndef LUMO_BASE_DIR_ENTRIES_H
#define LUMO_BASE_DIR_ENTRIES_H

#include <dirent.h>

#include <functional>
#include <memory>
#include <string>

class Log;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// Calls visit with the path "dir/name" and the name of every entry but "."
// and "..", until visit returns false.  A path longer than 255 characters
// is refused with a log line and not visited.  False when the directory
// cannot be listed.
bool forEachEntry(Log& log, const std::string& dir,
                  const std::function<bool(const std::string& path, const std::string& name)>& visit);

#endif
