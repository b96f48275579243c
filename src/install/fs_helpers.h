// File-system operations shared by the file installation, the PPD directory
// discovery and the CUPS model links.  Modes are set with chmod after
// creation, so the process's file-creation mask never reduces them.
#ifndef LUMO_INSTALL_FS_HELPERS_H
#define LUMO_INSTALL_FS_HELPERS_H

#include <cstdio>
#include <string>

// Checks (create 0) or creates (create 1) a directory with exactly `mode`.
// Returns -1 for an empty path, a path that is not a directory or a failed
// creation; 0 when it already is a directory; 1 when it was created.
int makeDir(const std::string& path, int create, int mode);

// Creates every missing directory along the path, then the path itself,
// all with mode 0777.  Returns 0.
int makeDirPath(const std::string& path);

// Makes `link` a symbolic link to `file`, never replacing anything.
// Returns 0 when the link was made, else -1.
int makeLink(const std::string& file, const std::string& link);

// makeLink, logging "Link 1: <link> linked to <file>." with ": WRONG!!!"
// appended when the link could not be made.
void makeReportedLink(const std::string& file, const std::string& link);

// True when the path exists, as any kind of file (links are followed).
bool isPresent(const std::string& path);

// 1 when the path exists and is a directory (or a link to one), else 0.
int fileExists(const std::string& path);

// Replaces every character below 0x20 by a blank, in place.
void blankControls(std::string& text);

// True when the path fits the 255 characters of a path setting; logs the
// refusal otherwise.  Paths are refused, never cut.
bool pathFits(const std::string& path);

// fopen for a path that fits; nullptr (the refusal logged) for one that
// does not.
FILE* openPath(const std::string& path, const char* mode);

// Sets the mode and gives the file to the run's user and group; the results
// are not checked.
void setModeAndOwner(const std::string& path, int mode);

#endif
