#include "install/selinux.h"

#include <unistd.h>

#include <cstdio>

#include "base/fs_helpers.h"
#include "base/shell.h"
#include "base/text.h"

namespace {

// The module comes with the unpacked product, always under /opt/oxa.
const char kModule[] = "/opt/oxa/etc/lumo.pp";

}  // namespace

int installSelinuxModule(ToolTable& tools, int selinuxMode) {
  if (selinuxMode == 0) {
    std::fputs(msg::kNoSelinuxRunningLf, stderr);
    return 0;
  }
  tools.semodule = findTool("semodule");
  if (tools.semodule.empty())
    return 0;
  if (access(kModule, F_OK) != 0) {
    std::fputs(msg::kNoSelinuxModuleFile, stderr);
    return 0;
  }
  return runShell(formatText("%s -i %s", shellWord(tools.semodule).c_str(), kModule));
}

int runChcon(Context& run, const std::string& path, const std::string& arguments, bool logIt) {
  const std::string& chcon = run.facts.tools.path(kToolChcon);
  if (chcon.empty() || chcon[0] != '/' || !pathFits(run.log, path))
    return -1;
  std::string command = formatText("%s %s %s 2>/dev/null", shellWord(chcon).c_str(),
                                   arguments.c_str(), shellWord(path).c_str());
  int status = runShell(command);
  if (logIt)
    run.log.printf(msg::kChconResult, command.c_str(), status);
  return status;
}
