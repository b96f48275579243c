// SELinux labelling: the product's policy module and chcon labels.  Best
// effort: every outcome is reported and nothing stops the run.
#ifndef LUMO_INSTALL_SELINUX_H
#define LUMO_INSTALL_SELINUX_H

#include <string>

#include "discovery/context.h"

// Loads /opt/oxa/etc/lumo.pp with semodule (looked up into the tool
// table), quietly: it runs before the Log file exists, so it reports on
// standard error only.  Returns the command's status, or 0 when nothing
// was run.
int installSelinuxModule(ToolTable& tools, int selinuxMode);

// Relabels the path with chcon and the given arguments (one text), logging
// the command and its status when `logIt` is set.  Returns the status, or
// -1 when no chcon command is known.
int runChcon(Context& run, const std::string& path, const std::string& arguments, bool logIt);

#endif
