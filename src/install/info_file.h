// The information file lumoInfo4.0 of an installation: its directory and
// its printers, in named blocks.  Read back by later runs.
#ifndef LUMO_INSTALL_INFO_FILE_H
#define LUMO_INSTALL_INFO_FILE_H

#include <cstdio>
#include <functional>
#include <string>

#include "base/staged_file.h"
#include "discovery/context.h"

// The information file's name in the installation directory.
inline constexpr char kInfoFileName[] = "lumoInfo4.0";

// The path of a file in the installation directory (/opt/oxa while the
// directory is empty).
std::string installedFilePath(const std::string& installDir, const char* name);

// Writes a file of the installation with `write` (false: its input failed),
// staged beside its place: "Cannot open file" is logged when the file
// cannot be created, "Cannot write file" when it cannot be written whole
// or put in place, and an earlier file then stays as it was.  The file
// gets the attributes, or with none those of the regular file it replaces
// (a new one 0666 less the file-creation mask).  True when it is in place.
bool writeInstalledFile(Log& log, const std::string& path, const FileAttributes* attributes,
                        const std::function<bool(FILE*)>& write);

// Writes a fresh information file for installDir, mode 0755, owned by the
// run's user and group; false after logging why it could not.
bool writeInfoFile(Context& run, const std::string& installDir);

// Carries lumoInfo2.0 of the installation directory over into lumoInfo4.0
// with a new title line; writes a fresh file when that is not possible.
void upgradeInfoFile(Context& run, const std::string& installDir);

#endif
