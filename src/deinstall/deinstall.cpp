#include "deinstall/deinstall.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "deinstall/remove_tree.h"
#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/run_settings.h"
#include "driver/shell.h"
#include "ppd/printer_list.h"

namespace {

// Presence without following links: a dangling link is still a file to
// remove.
bool present(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int executeCommand(const std::string& command) {
  logFormat(catalogue(kExecutingCommand), command.c_str());
  return runShell(command);
}

std::string lpadminRemoval(const std::string& name) {
  return formatText("%s %s 2>/dev/null", shellWord(toolPath(kToolLpadmin)).c_str(),
                    shellWord("-x" + name).c_str());
}

// The queue's device file, unless it is a device node: a queue named after
// a kernel device ("null", "console", "sda") must never take it away.
void removeDeviceFile(const std::string& name) {
  std::string device = "/dev/" + name;
  struct stat st;
  if (device == "/dev/null" || lstat(device.c_str(), &st) != 0)
    return;
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    return;
  unlink(device.c_str());
}

// Renames the spooler's model file of the queue to ".old", deleting it
// when the rename fails.
void retireModelFile(int kind, const std::string& name) {
  std::string model;
  if (kind == kSpoolerLp)
    model = "/usr/spool/lp/model/" + name;
  else if (kind == kSpoolerCups)
    model = toolPath(kToolCupsDataDir) + "/model/" + name;
  if (model.empty() || !present(model))
    return;
  std::rename(model.c_str(), (model + ".old").c_str());
  if (present(model))
    unlink(model.c_str());
}

// Logs one deletion: the formatted subject and "OK." or "Not possible!".
void reportDeletion(Msg subject, const std::string& path, bool done) {
  logMessage(formatText(catalogue(subject), path.c_str()) + catalogue(done ? kOk : kNotPossible));
}

}  // namespace

int removeQueue(const std::string& name) {
  int kind = run.spoolerKind;
  if (kind != kSpoolerUnknown && kind != kSpoolerLp && kind != kSpoolerCups)
    return 0;
  std::string removal = lpadminRemoval(name);
  if (executeCommand(removal) != 0) {
    std::string lpstat = toolPath(kToolLpstat).empty() ? "lpstat" : toolPath(kToolLpstat);
    executeCommand(formatText("%s %s -l > /dev/null", shellWord(lpstat).c_str(),
                              shellWord("-p" + name).c_str()));
    sleep(1);
    executeCommand(removal);
  }
  removeDeviceFile(name);
  retireModelFile(kind, name);
  return 1;
}

int removePrinterDir(const std::string& name) {
  std::string dir = run.installDir + "/" + name;
  if (!present(dir))
    return -1;
  int result = removeTree(dir);
  std::string script = dir + ".sh";
  if (present(script))
    unlink(script.c_str());
  return result;
}

void removePrinters(int) {
  for (PrinterEntry* e = printerList.next; e != &printerList; e = e->next) {
    const std::string& name = e->queueName;
    if (name.empty() || name == "Default")
      continue;
    if (!isPathSafeName(name)) {
      logFormat("Printer name refused, it could name a path: '%s'.", name.c_str());
      continue;
    }
    removeQueue(name);
    removePrinterDir(name);
    logFormat(catalogue(kDeletingPrinter), name.c_str());
  }
}

void removeInstalledFiles(int deleteFlag) {
  const std::string& dir = run.installDir;
  if (chdir(dir.c_str()) != 0) {
    logFormat(catalogue(kInstallDirNotOk), dir.c_str());
    return;
  }
  const std::string files[] = {
      dir + "/lumo",          dir + "/lumoInfo4.0",        dir + "/bin/orbgsfilter",
      "/usr/bin/orbgsfilter", dir + "/etc/UNINSTALLLUMO",  dir + "/bin/setup",
      dir + "/etc/lumo4.0.png", dir + "/LUMOINST.CONF",    dir + "/etc/LUMOINST.CONF",
      "/usr/bin/orbgsfilter", dir + "/bin/nc",
  };
  for (const std::string& file : files)
    reportDeletion(kDeletingFile, file,
                   present(file) && (deleteFlag == 0 || unlink(file.c_str()) == 0));

  for (const char* sub : {"/Default", "/ppd", "/etc", "/bin"}) {
    std::string path = dir + sub;
    reportDeletion(kDeletingDir, path, present(path) && (deleteFlag == 0 || removeTree(path) == 0));
  }
}
