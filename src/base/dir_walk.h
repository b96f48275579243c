// Reaching a directory to write in it where others can write too.  A path
// names a directory only as long as no one swaps a name on it for a link:
// setup walks it one name at a time from an open directory, and writes in
// the directory it holds open at the end.
#ifndef LUMO_BASE_DIR_WALK_H
#define LUMO_BASE_DIR_WALK_H

#include <string>

#include "base/files.h"

// Opens the directory at path without following a link anyone else could
// have placed: a link is followed only when it is root's or ours and
// stands in a directory of root's or ours that no one else can write in
// (or only add to: the sticky bit), as /lib on a merged /usr.  An invalid
// Fd, errno saying why (ELOOP for a link passed over), otherwise.
Fd openDirectoryWalking(const std::string& path);

// openDirectoryWalking on the directory that holds the path's last name,
// which goes into *name.
Fd openParentWalking(const std::string& path, std::string* name);

#endif
