// SELinux labelling: the product's policy module and chcon labels.  Best
// effort: every outcome is reported and nothing stops the run.
#ifndef LUMO_INSTALL_SELINUX_H
#define LUMO_INSTALL_SELINUX_H

#include <string>

// The semodule command, looked up by installSelinuxModule.
extern std::string semodulePath;

// Loads /opt/oxa/etc/lumo.pp with semodule, quietly: it runs before the
// Log file exists, so it reports on standard error only.  Returns the
// command's status, or 0 when nothing was run.
int installSelinuxModule();

// Relabels the path with chcon and the given arguments (one text), logging
// the command and its status when `logIt` is not 0.  Returns the status,
// or -1 when no chcon command is known.
int runChcon(const std::string& path, const std::string& arguments, int logIt);

#endif
