// The information file lumoInfo4.0 of an installation: its directory and
// its printers, in named blocks.  Read back by later runs.
#ifndef LUMO_INSTALL_INFO_FILE_H
#define LUMO_INSTALL_INFO_FILE_H

#include <string>

#include "discovery/context.h"

// The path of a file in the installation directory (/opt/oxa while the
// directory is empty).
std::string installedFilePath(const std::string& installDir, const char* name);

// Writes a fresh information file for installDir, mode 0755, owned by the
// run's user and group.
void writeInfoFile(Context& run, const std::string& installDir);

// Carries lumoInfo2.0 of the installation directory over into lumoInfo4.0
// with a new title line; writes a fresh file when that is not possible.
void upgradeInfoFile(Context& run, const std::string& installDir);

#endif
