// The file installation of an installing run: the installation directory,
// the product PPD directory, the information file, the uninstall script,
// the manifest's files, the filter link and its SELinux labels.
#ifndef LUMO_INSTALL_GO_INSTALL_H
#define LUMO_INSTALL_GO_INSTALL_H

#include <time.h>

#include <string>

#include "discovery/context.h"
#include "install/copy_entries.h"
#include "install/installation.h"

// Puts the product in place, copying the planned files and recording what
// became of each.  False when the installation directory cannot be
// prepared: the run is then to end at once (the reason logged).
bool goInstall(Context& run, const Installation& installation, FilePlans& files);

// Removes what a killed run left staged beside the files an installing run
// writes: the information file, the uninstall script and the planned
// files; `before` is when this run took the run lock.
void removeInstallLeftovers(Context& run, const std::string& installDir, const FilePlans& files,
                            const timespec& before);

// Whether the run's start directory is another than the installation
// directory: installing in place copies only the product PPD files.
bool installsFromElsewhere(const Facts& facts, const std::string& installDir);

// Makes sure of the directory and its bin and etc subdirectories.  True
// when they are there.
bool prepareInstallDir(Context& run, const std::string& dir);

#endif
