#include "deinstall/deinstall.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "base/remove_tree.h"
#include "base/shell.h"
#include "base/text.h"

namespace {

// lpadmin and lpstat ask the print server, which answers a removal within a
// second when it works at all.
int executeCommand(Context& run, const std::string& command) {
  run.log.printf(msg::kExecutingCommand, command.c_str());
  int status = runShellWithin(command, run.waits.serverSeconds);
  if (status == kShellTimedOut)
    run.log.printf("The command did not end within %d seconds and was stopped.",
                   run.waits.serverSeconds);
  return status;
}

std::string lpadminRemoval(const ToolTable& tools, const std::string& name) {
  return formatText("%s %s 2>/dev/null", shellWord(tools.path(kToolLpadmin)).c_str(),
                    shellWord("-x" + name).c_str());
}

// The queue's device file, a plain file of the old kind.  Nothing else in
// /dev is ever removed: a queue named after a system entry ("null", "log",
// "initctl", "stdin", "fd") must not take away its device node, socket,
// FIFO, link or directory.
void removeDeviceFile(const std::string& name) {
  std::string device = "/dev/" + name;
  struct stat st;
  if (lstat(device.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    unlink(device.c_str());
}

// Renames the spooler's model file of the queue to ".old", deleting it
// when the rename fails.
void retireModelFile(const Facts& facts, const std::string& name) {
  std::string model;
  if (facts.spoolerKind == kSpoolerLp)
    model = "/usr/spool/lp/model/" + name;
  else if (facts.spoolerKind == kSpoolerCups)
    model = facts.tools.path(kToolCupsDataDir) + "/model/" + name;
  if (model.empty() || !isEntryPresent(model))
    return;
  std::rename(model.c_str(), (model + ".old").c_str());
  if (isEntryPresent(model))
    unlink(model.c_str());
}

// Logs one deletion: its subject and "OK." or "Not possible!".
void reportDeletion(Log& log, const std::string& subject, bool done) {
  log.message(subject + (done ? msg::kOk : msg::kNotPossible));
}

}  // namespace

bool removeQueue(Context& run, const std::string& name) {
  const Facts& facts = run.facts;
  int kind = facts.spoolerKind;
  if (kind != kSpoolerUnknown && kind != kSpoolerLp && kind != kSpoolerCups)
    return false;
  std::string removal = lpadminRemoval(facts.tools, name);
  int status = executeCommand(run, removal);
  // A server that did not answer is not asked again.
  if (status != 0 && status != kShellTimedOut) {
    const std::string& tool = facts.tools.path(kToolLpstat);
    std::string lpstat = tool.empty() ? "lpstat" : tool;
    executeCommand(run, formatText("%s %s -l > /dev/null", shellWord(lpstat).c_str(),
                                   shellWord("-p" + name).c_str()));
    sleep(unsigned(run.waits.retryPauseSeconds));
    executeCommand(run, removal);
  }
  removeDeviceFile(name);
  retireModelFile(facts, name);
  return true;
}

int removePrinterDir(const std::string& installDir, const std::string& name) {
  std::string dir = installDir + "/" + name;
  if (!isEntryPresent(dir))
    return -1;
  int result = removeTree(dir);
  std::string script = dir + ".sh";
  if (isEntryPresent(script))
    unlink(script.c_str());
  return result;
}

std::vector<std::string> queuesToRemove(Log& log, const PrinterList& printers) {
  std::vector<std::string> names;
  // The first printer of the list is passed over.
  for (size_t i = 1; i < printers.size(); ++i) {
    const std::string& name = printers[i].queueName;
    if (name.empty() || name == "Default")
      continue;
    if (isPathSafeName(name))
      names.push_back(name);
    else
      log.printf("Printer name refused, it could name a path: '%s'.", name.c_str());
  }
  return names;
}

void removePrinters(Context& run, const std::string& installDir, const PrinterList& printers) {
  for (const std::string& name : queuesToRemove(run.log, printers)) {
    removeQueue(run, name);
    removePrinterDir(installDir, name);
    run.log.printf(msg::kDeletingPrinter, name.c_str());
  }
}

bool isEntryPresent(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> installedFiles(const std::string& dir) {
  return {
      dir + "/lumo",          dir + "/lumoInfo4.0",        dir + "/bin/orbgsfilter",
      "/usr/bin/orbgsfilter", dir + "/etc/UNINSTALLLUMO",  dir + "/bin/setup",
      dir + "/etc/lumo4.0.png", dir + "/LUMOINST.CONF",    dir + "/etc/LUMOINST.CONF",
      "/usr/bin/orbgsfilter", dir + "/bin/nc",
  };
}

std::vector<std::string> installedDirs(const std::string& dir) {
  return {dir + "/Default", dir + "/ppd", dir + "/etc", dir + "/bin"};
}

void removeInstalledFiles(Log& log, const std::string& dir, bool remove) {
  if (chdir(dir.c_str()) != 0) {
    log.printf(msg::kInstallDirNotOk, dir.c_str());
    return;
  }
  for (const std::string& file : installedFiles(dir))
    reportDeletion(log, formatText(msg::kDeletingFile, file.c_str()),
                   isEntryPresent(file) && (!remove || unlink(file.c_str()) == 0));
  for (const std::string& path : installedDirs(dir))
    reportDeletion(log, formatText(msg::kDeletingDir, path.c_str()),
                   isEntryPresent(path) && (!remove || removeTree(path) == 0));
}
