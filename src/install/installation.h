// The earlier installation: its information file and the installation
// directory named in its USRDIR line.
#ifndef LUMO_INSTALL_INSTALLATION_H
#define LUMO_INSTALL_INSTALLATION_H

#include <string>

// Kinds of earlier installation.
enum InstallationKind {
  kInstallationNone = -1,
  kInstallationFirst = 1,   // lumoInfo2.0 under /opt/oxa, or the file LUMOINFO names
  kInstallationSecond = 2,  // lumoInfo4.0 under /opt/oxa
};

// Looks for the information file of an earlier installation and copies the
// value of its first USRDIR line into `existingDir`.  Returns 1 when found
// (kind 1 or 2), else 0 with kind -1.
int findInstallation(std::string& existingDir, int& kind);

#endif
