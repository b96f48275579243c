// Walking a directory's entries in the order the directory lists them.
#ifndef LUMO_PPD_DIR_ENTRIES_H
#define LUMO_PPD_DIR_ENTRIES_H

#include <functional>
#include <string>

// Calls visit with the path "dir/name" and the name of every entry but "."
// and "..", until visit returns false.  A path longer than 255 characters
// is refused with a log line and not visited.  False when the directory
// cannot be listed.
bool forEachEntry(const std::string& dir,
                  const std::function<bool(const std::string& path, const std::string& name)>& visit);

#endif
