// The stand-alone uninstall script etc/UNINSTALLLUMO of the installation
// directory: asks on the terminal, then deletes the installed files.
#ifndef LUMO_INSTALL_UNINSTALL_SCRIPT_H
#define LUMO_INSTALL_UNINSTALL_SCRIPT_H

#include <string>

#include "discovery/context.h"

// The script's path in the installation directory.
inline constexpr char kUninstallScriptName[] = "etc/UNINSTALLLUMO";

// Writes the script for installDir and the product PPD directory, mode
// 0755, owned by the run's user and group.
void writeUninstallScript(Context& run, const std::string& installDir);

#endif
