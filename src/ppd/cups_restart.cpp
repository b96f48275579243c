#include "ppd/cups_restart.h"

#include <unistd.h>

#include <string>

#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/shell.h"

namespace {

bool present(const std::string& path) {
  return !path.empty() && access(path.c_str(), F_OK) == 0;
}

// The restart command of the first fall-back present, or empty.
std::string fallbackCommand() {
  std::string service = findTool("service");
  if (present(service))
    return shellWord(service) + " cups restart";
  for (const char* script : {"/etc/init.d/cups", "/etc/init.d/cupsys"})
    if (present(script))
      return std::string(script) + " restart";
  return std::string();
}

}  // namespace

int restartCups() {
  std::string command;
  std::string systemctl = findTool("systemctl");
  if (present(systemctl)) {
    command = shellWord(systemctl) + " restart cups.service";
    logFormat("CUPS restart command:\"%s\"\n", command.c_str());
  }
  int status = command.empty() ? -1 : runShell(command);
  logFormat(catalogue(kCupsResetResult), status);
  if (status == 0)
    return 0;

  command = fallbackCommand();
  if (command.empty())
    logMessage(catalogue(kCannotResetCups));
  else
    status = runShell(command);
  logFormat(catalogue(kCupsResetResult), status);
  return status;
}
