// De-installation: the product's print queues, files and directories.
#ifndef LUMO_DEINSTALL_DEINSTALL_H
#define LUMO_DEINSTALL_DEINSTALL_H

#include <string>
#include <vector>

#include "discovery/context.h"
#include "ppd/printer_list.h"

// The queues a removal takes: every printer of the list but the first, and
// but any named "Default" or with a name that could name a path (logged).
std::vector<std::string> queuesToRemove(Log& log, const PrinterList& printers);

// Removes each of queuesToRemove: its queue, device and model files,
// directory and start script under the installation directory.
void removePrinters(Context& run, const std::string& installDir, const PrinterList& printers);

// Removes one queue from the spooler; false when the spooler kind is not
// one it handles (unknown, LP or CUPS).
bool removeQueue(Context& run, const std::string& name);

// Removes the printer's directory and start script under the installation
// directory; the result of removing the directory, -1 when it is missing.
int removePrinterDir(const std::string& installDir, const std::string& name);

// Presence without following links: a dangling link is still a file to
// remove.
bool isEntryPresent(const std::string& path);

// The product's files and directories a removal deletes, where they exist.
std::vector<std::string> installedFiles(const std::string& installDir);
std::vector<std::string> installedDirs(const std::string& installDir);

// Deletes the product's files and directories, one log line each; without
// `remove` it only reports what exists.
void removeInstalledFiles(Log& log, const std::string& installDir, bool remove);

#endif
