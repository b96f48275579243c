#include "app/cups_restart.h"

#include <unistd.h>

#include <string>

#include "base/dir_entries.h"
#include "base/log.h"
#include "base/shell.h"
#include "base/text.h"
#include "discovery/tools.h"
#include "ppd/printer_scan.h"

namespace {

// The scheduler reads every queue before it answers, in a time that grows
// faster than the number of queues (on a print server with cups-filters,
// whose format conversions it weighs for each queue, 15 s for 1,000
// queues, 47 s for 2,000, 509 s for 5,000): a large server gets a minute
// more per square thousand of queues, about three times what it was seen
// to need.
constexpr double kSecondsPerThousandSquared = 60;

int runRestart(Log& log, const std::string& command, int seconds) {
  int status = runShellWithin(command, seconds);
  if (status == kShellTimedOut)
    log.printf("\"%s\" did not end within %d seconds and was stopped.", command.c_str(),
               seconds);
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

int restartSeconds(int baseSeconds, size_t queues) {
  double thousands = double(queues) / 1000;
  return baseSeconds + int(kSecondsPerThousandSquared * thousands * thousands);
}

size_t countQueuePpds(const std::string& cupsBaseDir) {
  Log quiet;  // the scan logs what is odd in the directory
  quiet.discard();
  size_t count = 0;
  forEachEntry(quiet, cupsPpdDir(cupsBaseDir), [&count](const std::string&, const std::string& name) {
    count += name.size() > 4 && endsWith(name, ".ppd");
    return true;
  });
  return count;
}

int restartCups(Log& log, int seconds) {
  std::string command;
  std::string systemctl = findTool("systemctl");
  if (present(systemctl)) {
    command = shellWord(systemctl) + " restart cups.service";
    log.printf("CUPS restart command:\"%s\"\n", command.c_str());
  }
  int status = command.empty() ? -1 : runRestart(log, command, seconds);
  log.printf(msg::kCupsResetResult, status);
  if (status == 0)
    return 0;

  command = fallbackCommand();
  if (command.empty())
    log.message(msg::kCannotResetCups);
  else
    status = runRestart(log, command, seconds);
  log.printf(msg::kCupsResetResult, status);
  return status;
}
