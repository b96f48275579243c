#include "deinstall/deinstall.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/dir_walk.h"
#include "base/remove_tree.h"
#include "base/shell.h"
#include "base/text.h"

namespace {

// Presence without following links: a dangling link is still a file to
// remove.
bool isEntryPresent(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

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

namespace {

RemovalPath plannedPath(const std::string& path, bool directory) {
  RemovalPath item;
  item.path = path;
  item.directory = directory;
  item.present = isEntryPresent(path);
  return item;
}

// Opens the directory that holds the path, which goes into *name.  Below
// the installation directory no link is followed at all: a directory of
// the product swapped for a link would lead the removal elsewhere.  Above
// it, and for paths outside it, only root's links in root's directories
// are (base/dir_walk.h).
Fd openRemovalParent(const std::string& installDir, const std::string& path,
                     std::string* name) {
  std::string prefix = installDir + "/";
  if (path.compare(0, prefix.size(), prefix) != 0)
    return openParentWalking(path, name);
  Fd dir = openDirectoryWalking(installDir);
  std::string rest = path.substr(prefix.size());
  for (size_t slash; dir.valid() && (slash = rest.find('/')) != std::string::npos;) {
    std::string level = rest.substr(0, slash);
    dir = Fd(openat(dir.get(), level.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    rest.erase(0, slash + 1);
  }
  *name = rest;
  return dir;
}

// Removes the entry of the kind planned from its open directory: a
// directory with its tree; a file or link, never a directory.
bool removeEntryAt(int dir, const std::string& name, bool directory) {
  struct stat st;
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  if (directory)
    return removeTreeAt(dir, name.c_str()) == 0;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return unlinkat(dir, name.c_str(), 0) == 0;
}

// Deletes one path as planned, recording how it went; a path whose
// directory is not the one expected is left alone, with a Log line.
bool removePath(Log& log, const std::string& installDir, RemovalPath& item) {
  if (!item.present) {
    item.state = ItemState::kLeft;
    return false;
  }
  std::string name;
  Fd dir = openRemovalParent(installDir, item.path, &name);
  bool done = dir.valid() && removeEntryAt(dir.get(), name, item.directory);
  int error = errno;
  if (!dir.valid())
    log.printf("%s left alone: its directory is not the one expected (%s).", item.path.c_str(),
               std::strerror(error));
  item.state = done ? ItemState::kDone : ItemState::kFailed;
  if (!done)
    item.status = failure(Reason::kRemoveFailed, "cannot remove " + item.path, error);
  return done;
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

// The product's files, each once, and its directories.
const char* const kInstalledFiles[] = {
    "lumo",        "lumoInfo4.0",     "bin/orbgsfilter", "/usr/bin/orbgsfilter",
    "etc/UNINSTALLLUMO", "bin/setup", "etc/lumo4.0.png", "LUMOINST.CONF",
    "etc/LUMOINST.CONF", "bin/nc",
};
const char* const kInstalledDirs[] = {"Default", "ppd", "etc", "bin"};

std::string underInstallDir(const std::string& installDir, const char* name) {
  return name[0] == '/' ? name : installDir + "/" + name;
}

}  // namespace

RemovalPlan planRemoval(Log& log, const std::string& installDir, const PrinterList& printers) {
  RemovalPlan plan;
  for (const std::string& name : queuesToRemove(log, printers)) {
    QueueRemoval queue;
    queue.name = name;
    std::string dir = installDir + "/" + name;
    for (RemovalPath item : {plannedPath(dir, true), plannedPath(dir + ".sh", false)})
      if (item.present)
        queue.paths.push_back(item);
    plan.queues.push_back(queue);
  }
  for (const char* file : kInstalledFiles)
    plan.paths.push_back(plannedPath(underInstallDir(installDir, file), false));
  for (const char* dir : kInstalledDirs)
    plan.paths.push_back(plannedPath(underInstallDir(installDir, dir), true));
  return plan;
}

void removePrinters(Context& run, const std::string& installDir, RemovalPlan& plan) {
  for (QueueRemoval& queue : plan.queues) {
    removeQueue(run, queue.name);
    queue.state = ItemState::kDone;
    for (RemovalPath& item : queue.paths)
      if (!removePath(run.log, installDir, item) && queue.state == ItemState::kDone) {
        queue.state = ItemState::kFailed;
        queue.status = item.status;
      }
    run.log.printf(msg::kDeletingPrinter, queue.name.c_str());
  }
}

void removeInstalledFiles(Log& log, const std::string& dir, RemovalPlan& plan) {
  if (chdir(dir.c_str()) != 0) {
    log.printf(msg::kInstallDirNotOk, dir.c_str());
    return;
  }
  for (RemovalPath& item : plan.paths) {
    std::string subject = item.directory ? formatText(msg::kDeletingDir, item.path.c_str())
                                         : formatText(msg::kDeletingFile, item.path.c_str());
    reportDeletion(log, subject, removePath(log, dir, item));
  }
}
