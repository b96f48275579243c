#include "install/copy_entries.h"

#include "base/copy_file.h"
#include "base/fs_helpers.h"
#include "base/text.h"

namespace {

bool isFileTarget(const std::string& target) {
  return target == "." || target == "/";
}

bool isDirectoryTarget(const std::string& target) {
  return target.size() > 2 && (target.compare(0, 2, "./") == 0 || target[0] == '/');
}

std::string ppdDestination(const PpdLocations& ppd) {
  if (!ppd.ppdInstallDir.empty() && isDirectory(ppd.ppdInstallDir))
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
    return makeDir(log, destination, true, 0777) != DirResult::kFailed;
  return true;
}

// Skipped silently: sources too short to be a product file ("nc" is one),
// and, when installing in place, every entry but the PPD files.
bool isCopied(const ManifestEntry& entry, bool dirsDiffer) {
  if (entry.source.size() < 3 && entry.source != "nc")
    return false;
  return entry.target == "?" || dirsDiffer;
}

CopyState copyEntry(Context& run, const ManifestEntry& entry, const std::string& installDir,
               bool dirsDiffer) {
  Log& log = run.log;
  if (!isCopied(entry, dirsDiffer))
    return CopyState::kSkipped;
  std::string destination = entryDestination(entry, installDir, run.facts.ppd);
  if (destination.empty()) {
    log.printf("No destination for file %s (target '%s'): not copied.", entry.source.c_str(),
              entry.target.c_str());
    return CopyState::kFailed;
  }
  std::string installed = installedAt(entry, destination);
  if (destination.size() < 3 || !pathFits(log, destination) || !pathFits(log, installed))
    return CopyState::kFailed;

  std::string message =
      formatText(msg::kCopyingFile, entry.source.c_str(), destination.c_str());
  blankControls(message);
  // The copy is staged beside the installed file and renamed over it, so a
  // link planted there is replaced, never written through, and a failed
  // copy leaves nothing behind.
  int mode = entry.mode > 0 ? entry.mode : kKeepTargetMode;
  if (!prepareDestination(log, entry, destination) ||
      !copyFile(entry.source, installed, mode)) {
    log.message(message + msg::kWrong);
    return CopyState::kFailed;
  }
  log.message(message);
  if (entry.mode > 0)
    log.printf(msg::kChangingRights, installed.c_str(), unsigned(entry.mode));
  return CopyState::kCopied;
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

std::string installedPath(const ManifestEntry& entry, const std::string& installDir,
                          const PpdLocations& ppd) {
  std::string destination = entryDestination(entry, installDir, ppd);
  return destination.empty() ? destination : installedAt(entry, destination);
}

std::vector<CopyState> copyManifestEntries(Context& run, const Manifest& manifest,
                                           const std::string& installDir, bool dirsDiffer) {
  std::vector<CopyState> states;
  for (size_t i = 0; i < manifest.size(); ++i) {
    const ManifestEntry& entry = manifest[i];
    run.log.trace("goInstall[%zu]: %s ===> %s, o%o.\n", i, entry.source.c_str(),
                  entry.target.c_str(), unsigned(entry.mode));
    states.push_back(copyEntry(run, entry, installDir, dirsDiffer));
  }
  return states;
}
