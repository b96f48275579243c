#include "install/selinux.h"

#include <unistd.h>

#include <cstdio>

#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/run_settings.h"
#include "driver/shell.h"
#include "install/fs_helpers.h"

std::string semodulePath;

namespace {

// The module comes with the unpacked product, always under /opt/oxa.
const char kModule[] = "/opt/oxa/etc/lumo.pp";

}  // namespace

int installSelinuxModule() {
  if (run.selinuxMode == 0) {
    std::fputs(catalogue(kNoSelinuxRunningLf), stderr);
    return 0;
  }
  semodulePath = findTool("semodule");
  if (semodulePath.empty())
    return 0;
  if (access(kModule, F_OK) != 0) {
    std::fputs(catalogue(kNoSelinuxModuleFile), stderr);
    return 0;
  }
  return runShell(formatText("%s -i %s", shellWord(semodulePath).c_str(), kModule));
}

int runChcon(const std::string& path, const std::string& arguments, int logIt) {
  const std::string& chcon = toolPath(kToolChcon);
  if (chcon.empty() || chcon[0] != '/' || !pathFits(path))
    return -1;
  std::string command = formatText("%s %s %s 2>/dev/null", shellWord(chcon).c_str(),
                                   arguments.c_str(), shellWord(path).c_str());
  int status = runShell(command);
  if (logIt)
    logFormat(catalogue(kChconResult), command.c_str(), status);
  return status;
}
