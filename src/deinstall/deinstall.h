// De-installation: the product's print queues, files and directories,
// planned before anything is removed, then removed item by item with each
// outcome recorded in the plan.
#ifndef LUMO_DEINSTALL_DEINSTALL_H
#define LUMO_DEINSTALL_DEINSTALL_H

#include <string>
#include <vector>

#include "base/status.h"
#include "discovery/context.h"
#include "ppd/printer_list.h"

// A file or directory the removal deletes.
struct RemovalPath {
  std::string path;
  bool directory = false;
  bool present = false;  // there when the removal was planned
  ItemState state = ItemState::kPlanned;
  Status status;
};

struct QueueRemoval {
  std::string name;
  std::vector<RemovalPath> paths;  // its directory and start script, where present
  ItemState state = ItemState::kPlanned;
  Status status;
};

struct RemovalPlan {
  std::vector<QueueRemoval> queues;
  std::vector<RemovalPath> paths;  // the product's files, then its directories
};

// Plans the removal: every printer of the list but the first, and but any
// named "Default" or with a name that could name a path (logged); the
// product's files and directories, each with whether it is there.
RemovalPlan planRemoval(Log& log, const std::string& installDir, const PrinterList& printers);

// Removes each planned queue: its queue, device and model files, directory
// and start script under the installation directory.
void removePrinters(Context& run, const std::string& installDir, RemovalPlan& plan);

// Removes one queue from the spooler; false when the spooler kind is not
// one it handles (unknown, LP or CUPS).
bool removeQueue(Context& run, const std::string& name);

// Deletes the product's planned files and directories, one log line each
// ("OK." or "Not possible!", the latter for one that is not there).  Below
// the installation directory no link is followed: a path whose directory
// is not the one expected is left alone.
void removeInstalledFiles(Log& log, const std::string& installDir, RemovalPlan& plan);

#endif
