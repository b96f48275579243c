// The installation a run works on: its directory, the earlier installation
// it upgrades (found by its information file and the directory named in
// that file's USRDIR line) and the install manifest.
#ifndef LUMO_INSTALL_INSTALLATION_H
#define LUMO_INSTALL_INSTALLATION_H

#include <cstdio>
#include <string>
#include <vector>

#include "install/manifest.h"

class Log;

// Kinds of earlier installation.
enum InstallationKind {
  kInstallationNone = -1,
  kInstallationFirst = 1,   // lumoInfo2.0 under /opt/oxa, or the file LUMOINFO names
  kInstallationSecond = 2,  // lumoInfo4.0 under /opt/oxa
};

struct Installation {
  std::string dir;          // where the product goes (or is removed from)
  std::string existingDir;  // the earlier installation's directory
  int upgradeMode = 0;      // 0 new, else the earlier installation's kind
  Manifest manifest;
};

// Looks for the information file of an earlier installation and copies the
// value of its first USRDIR line into `existingDir`.  True when found (kind
// 1 or 2), else false with kind -1.
bool findInstallation(Log& log, std::string& existingDir, int& kind);

// The value of the first line (in 255-character pieces) of an information
// file that contains USRDIR: after the keyword and the one separator that
// follows it, past blanks, control characters and bytes from 0x80, up to a
// blank, a line feed or the end of the line.  False when no line contains
// the keyword.
bool readUsrdir(FILE* in, std::string& value);

#endif
