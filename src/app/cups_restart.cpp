#include "app/cups_restart.h"

#include <unistd.h>

#include <string>

#include "base/log.h"
#include "base/shell.h"
#include "discovery/tools.h"

namespace {

// A restart waits for the scheduler to stop and start again; a service
// manager gives up on a stuck stop after 90 seconds by default, so two
// minutes leave it room to do so and still bound a print server that never
// answers.
constexpr int kRestartSeconds = 120;

int runRestart(Log& log, const std::string& command) {
  int status = runShellWithin(command, kRestartSeconds);
  if (status == kShellTimedOut)
    log.printf("\"%s\" did not end within %d seconds and was stopped.", command.c_str(),
               kRestartSeconds);
  return status;
}

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
  int status = command.empty() ? -1 : runRestart(log, command);
  log.printf(msg::kCupsResetResult, status);
  if (status == 0)
    return 0;

  command = fallbackCommand();
  if (command.empty())
    log.message(msg::kCannotResetCups);
  else
    status = runRestart(log, command);
  log.printf(msg::kCupsResetResult, status);
  return status;
}
