#include "install/copy_entries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/copy_file.h"
#include "base/fs_helpers.h"
#include "base/text.h"
#include "base/trusted_path.h"

namespace {

bool isFileTarget(const std::string& target) {
  return target == "." || target == "/";
}

bool isDirectoryTarget(const std::string& target) {
  return target.size() > 2 && (target.compare(0, 2, "./") == 0 || target[0] == '/');
}

std::string ppdDestination(const PpdLocations& ppd) {
  if (!ppd.ppdInstallDir.empty())
    return ppd.ppdInstallDir;
  if (!ppd.cupsModelDir.empty() && isDirectory(ppd.cupsModelDir))
    return ppd.cupsModelDir;
  return "/tmp";
}

// A file target names the installed file; the other forms a directory.
std::string installedAt(const ManifestEntry& entry, const std::string& destination) {
  return isFileTarget(entry.target) ? destination
                                    : destination + "/" + lastName(entry.source);
}

// Makes the directory that receives the copy.  False when it is not there
// afterwards: the copy would then write a file of the directory's name.
bool prepareDestination(Log& log, const ManifestEntry& entry, const std::string& destination) {
  if (isFileTarget(entry.target)) {
    makeDirPath(log, parentDir(destination));
    return true;
  }
  if (isDirectoryTarget(entry.target))
    return makeDir(log, destination, true, kDirMode) != DirResult::kFailed;
  return true;
}

FileAction plannedAction(const ManifestEntry& entry, const std::string& source,
                         const std::string& destination, bool dirsDiffer, Status& why) {
  if (entry.source.size() < 3 && entry.source != "nc")
    return FileAction::kNoProductFile;
  if (entry.target != "?" && !dirsDiffer)
    return FileAction::kInPlace;
  if (destination.empty())
    return FileAction::kNoDestination;
  // A missing source is the copy's to report.
  std::string untrusted;
  if (access(source.c_str(), F_OK) == 0 && !isRootOnlyPath(source, &untrusted)) {
    why = failure(Reason::kUntrusted,
                  formatText("File %s passed over: %s.", source.c_str(), untrusted.c_str()));
    return FileAction::kUntrusted;
  }
  return FileAction::kCopy;
}

// The installed file is a root's regular file (never a link) with the
// source's bytes and the entry's mode.
bool isCurrent(const ManifestEntry& entry, const std::string& source,
               const std::string& installed) {
  struct stat st;
  if (lstat(installed.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != 0)
    return false;
  if (entry.mode > 0 && int(st.st_mode & 07777) != entry.mode)
    return false;
  return sameContent(source, installed);
}

Status copyFailed(const std::string& text, int error = 0) {
  return failure(Reason::kCopyFailed, text, error);
}

Status copyEntry(Log& log, const FilePlan& file) {
  const ManifestEntry& entry = file.entry;
  if (file.action == FileAction::kNoDestination) {
    std::string text = formatText("No destination for file %s (target '%s'): not copied.",
                                  entry.source.c_str(), entry.target.c_str());
    log.message(text);
    return failure(Reason::kNoDestination, text);
  }
  const std::string& destination = file.destination;
  if (destination.size() < 3 || !pathFits(log, destination) || !pathFits(log, file.installed))
    return copyFailed("the destination " + destination + " is refused");

  std::string message =
      formatText(msg::kCopyingFile, entry.source.c_str(), destination.c_str());
  blankControls(message);
  // The copy is staged beside the installed file and renamed over it, so a
  // link planted there is replaced, never written through, and a failed
  // copy leaves nothing behind.
  int mode = entry.mode > 0 ? entry.mode : kKeepTargetMode;
  if (!prepareDestination(log, entry, destination) ||
      !copyFile(entry.source, file.installed, mode)) {
    int error = errno;
    log.message(message + msg::kWrong);
    return copyFailed(formatText("cannot copy %s to %s", entry.source.c_str(),
                                 file.installed.c_str()),
                      error);
  }
  log.message(message);
  if (entry.mode > 0)
    log.printf(msg::kChangingRights, file.installed.c_str(), unsigned(entry.mode));
  return Status();
}

}  // namespace

std::string entryDestination(const ManifestEntry& entry, const std::string& installDir,
                             const PpdLocations& ppd) {
  const std::string& target = entry.target;
  if (isFileTarget(target))
    return installDir + "/" + entry.source;
  if (target == "?")
    return ppdDestination(ppd);
  if (isDirectoryTarget(target) && target[0] == '.')
    return installDir + "/" + target.substr(2);
  if (isDirectoryTarget(target))
    return target;
  return std::string();
}

const char* fileActionName(FileAction action) {
  switch (action) {
    case FileAction::kCopy: return "copy";
    case FileAction::kInPlace: return "in-place";
    case FileAction::kNoProductFile: return "no-product-file";
    case FileAction::kNoDestination: return "no-destination";
    case FileAction::kUntrusted: return "untrusted";
  }
  return "copy";
}

FilePlans planFiles(const Manifest& manifest, const std::string& startDir,
                    const std::string& installDir, const PpdLocations& ppd, bool dirsDiffer) {
  FilePlans files;
  for (const ManifestEntry& entry : manifest) {
    FilePlan file;
    file.entry = entry;
    file.destination = entryDestination(entry, installDir, ppd);
    if (!file.destination.empty())
      file.installed = installedAt(entry, file.destination);
    std::string source = startDir + "/" + entry.source;
    file.action = plannedAction(entry, source, file.destination, dirsDiffer, file.why);
    file.current =
        file.action == FileAction::kCopy && isCurrent(entry, source, file.installed);
    files.push_back(file);
  }
  return files;
}

void copyFiles(Context& run, FilePlans& files) {
  for (size_t i = 0; i < files.size(); ++i) {
    FilePlan& file = files[i];
    const ManifestEntry& entry = file.entry;
    run.log.trace("goInstall[%zu]: %s ===> %s, o%o.\n", i, entry.source.c_str(),
                  entry.target.c_str(), unsigned(entry.mode));
    if (file.action == FileAction::kUntrusted) {
      run.log.message(file.why.text);
      file.status = file.why;
      file.state = ItemState::kFailed;
      continue;
    }
    if (file.action != FileAction::kCopy && file.action != FileAction::kNoDestination) {
      file.state = ItemState::kLeft;
      continue;
    }
    file.status = copyEntry(run.log, file);
    file.state = file.status.ok() ? ItemState::kDone : ItemState::kFailed;
  }
}
