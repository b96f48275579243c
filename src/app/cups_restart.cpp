#include "app/cups_restart.h"

#include <unistd.h>

#include <string>

#include "base/log.h"
#include "base/shell.h"
#include "discovery/tools.h"

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

int restartCups(Log& log) {
  std::string command;
  std::string systemctl = findTool("systemctl");
  if (present(systemctl)) {
    command = shellWord(systemctl) + " restart cups.service";
    log.printf("CUPS restart command:\"%s\"\n", command.c_str());
  }
  int status = command.empty() ? -1 : runShell(command);
  log.printf(msg::kCupsResetResult, status);
  if (status == 0)
    return 0;

  command = fallbackCommand();
  if (command.empty())
    log.message(msg::kCannotResetCups);
  else
    status = runShell(command);
  log.printf(msg::kCupsResetResult, status);
  return status;
}
