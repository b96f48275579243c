// De-installation: the product's print queues, files and directories.
#ifndef LUMO_DEINSTALL_DEINSTALL_H
#define LUMO_DEINSTALL_DEINSTALL_H

#include <string>

// Removes every printer of the printer list but its head (and any named
// "Default"): its queue, device and model files, directory and start script.
void removePrinters(int unused);

// Removes one queue from the spooler; 1 when the spooler kind is one it
// handles (unknown, LP or CUPS), else 0.
int removeQueue(const std::string& name);

// Removes the printer's directory and start script under the installation
// directory; the result of removing the directory, -1 when it is missing.
int removePrinterDir(const std::string& name);

// Deletes the product's files and directories, one log line each; with
// the flag 0 it only reports what exists.
void removeInstalledFiles(int deleteFlag);

#endif
