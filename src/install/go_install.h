// The file installation of an installing run: the installation directory,
// the product PPD directory, the information file, the uninstall script,
// the manifest's files, the filter link and its SELinux labels.
#ifndef LUMO_INSTALL_GO_INSTALL_H
#define LUMO_INSTALL_GO_INSTALL_H

#include <time.h>

#include <string>

#include "discovery/context.h"
#include "install/installation.h"

// Puts the product in place, recording what became of each manifest entry.
// False when the installation directory cannot be prepared: the run is then
// to end at once (the reason logged).
bool goInstall(Context& run, Installation& installation);

// Removes what a killed run left staged beside the files an installing run
// writes: the information file, the uninstall script and the manifest's
// files; `before` is when this run took the run lock.
void removeInstallLeftovers(Context& run, const Installation& installation,
                            const timespec& before);

// Makes sure of the directory and its bin and etc subdirectories.  True
// when they are there.
bool prepareInstallDir(Context& run, const std::string& dir);

#endif
