// The file installation of an installing run: the installation directory,
// the product PPD directory, the information file, the uninstall script,
// the manifest's files, the filter link and its SELinux labels.
#ifndef LUMO_INSTALL_GO_INSTALL_H
#define LUMO_INSTALL_GO_INSTALL_H

#include <string>

// Puts the product in place.  Ends the run itself (Log file closed, status
// 0) when the installation directory cannot be prepared.
void goInstall(int count);

// Makes sure of the directory and its bin and etc subdirectories.  Returns
// 1 when they are there (or an earlier call succeeded), else 0.
int prepareInstallDir(const std::string& dir);

#endif
