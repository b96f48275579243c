// Whether a file can be trusted by a process running as root: only root can
// have put it there or changed it.
#ifndef LUMO_BASE_TRUSTED_PATH_H
#define LUMO_BASE_TRUSTED_PATH_H

#include <string>

#include "base/files.h"

class Log;

// True when the path, as written and with its links resolved, and every
// directory above it belong to root and cannot be written by group or
// others.  Otherwise false, with the first path that fails and why in *why.
bool isRootOnlyPath(const std::string& path, std::string* why);

// Opens a file of the product's own data for reading when root alone can
// have written it (isRootOnlyPath) and it is a regular file; otherwise
// logs that it is passed over, and why, and returns an empty File.  A file
// that is not there is passed over without a word.
File openRootOnlyFile(Log& log, const std::string& path);

#endif
