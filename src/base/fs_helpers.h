// File-system operations shared by the file installation, the PPD directory
// discovery and the CUPS model links.  Modes are set with chmod after
// creation, so the process's file-creation mask never reduces them.
#ifndef LUMO_BASE_FS_HELPERS_H
#define LUMO_BASE_FS_HELPERS_H

#include <string>

#include "base/files.h"

class Log;

// The mode of every directory setup creates: no one but root may add,
// remove or rename anything in it, or the next root run would use what a
// user put there.
inline constexpr int kDirMode = 0755;

// What makeDir found or did.
enum class DirResult { kFailed = -1, kExists = 0, kCreated = 1 };

// What createDir did.
enum class NewDir { kNotCreated, kModeNotSet, kCreated };

// Creates the directory at path, in its parent reached without following
// a link others could have placed, and gives it exactly `mode` through a
// descriptor: others who can write in the parent may put anything at the
// name meanwhile, and a chmod by name would follow their link.
NewDir createDir(const std::string& path, int mode);

// Checks (create false) or creates (create true) a directory with exactly
// `mode`: kFailed for an empty path, a path that is not a directory or a
// failed creation.
DirResult makeDir(Log& log, const std::string& path, bool create, int mode);

// Creates every missing directory along the path, then the path itself,
// all with mode kDirMode.
void makeDirPath(Log& log, const std::string& path);

// Makes `link` a symbolic link to `file`, never replacing anything.  True
// when the link was made.
bool makeLink(Log& log, const std::string& file, const std::string& link);

// makeLink, logging "Link 1: <link> linked to <file>." with ": WRONG!!!"
// appended when the link could not be made.
void makeReportedLink(Log& log, const std::string& file, const std::string& link);

// True when the path exists, as any kind of file (links are followed).
bool isPresent(const std::string& path);

// True when the path exists and is a directory (or a link to one).
bool isDirectory(const std::string& path);

// True when the path fits the 255 characters of a path setting; logs the
// refusal otherwise.  Paths are refused, never cut.
bool pathFits(Log& log, const std::string& path);

// fopen for a path that fits; empty (the refusal logged) for one that
// does not.
File openPath(Log& log, const std::string& path, const char* mode);

#endif
