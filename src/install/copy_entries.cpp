#include "install/copy_entries.h"

#include <sys/stat.h>

#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/run_settings.h"
#include "driver/shell.h"
#include "install/fs_helpers.h"
#include "ppd/ppd_locations.h"

namespace {

bool isFileTarget(const std::string& target) {
  return target == "." || target == "/";
}

bool isDirectoryTarget(const std::string& target) {
  return target.size() > 2 && (target.compare(0, 2, "./") == 0 || target[0] == '/');
}

std::string ppdDestination() {
  if (!ppdInstallDir.empty() && fileExists(ppdInstallDir))
    return ppdInstallDir;
  if (!cupsModelDir.empty() && fileExists(cupsModelDir))
    return cupsModelDir;
  return "/tmp";
}

std::string lastComponent(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
  return path.substr(0, path.rfind('/'));
}

// Makes the directory that receives the copy.  False when it is not there
// afterwards: cp would then write a file of the directory's name.
bool prepareDestination(const ManifestEntry& entry, const std::string& destination) {
  if (isFileTarget(entry.target)) {
    makeDirPath(parentOf(destination));
    return true;
  }
  if (isDirectoryTarget(entry.target))
    return makeDir(destination, 1, 0777) >= 0;
  return true;
}

// Skipped silently: sources too short to be a product file ("nc" is one),
// and, when installing in place, every entry but the PPD files.
bool isCopied(const ManifestEntry& entry, bool dirsDiffer) {
  if (entry.source.size() < 3 && entry.source != "nc")
    return false;
  return entry.target == "?" || dirsDiffer;
}

void copyEntry(const ManifestEntry& entry, bool dirsDiffer) {
  if (!isCopied(entry, dirsDiffer))
    return;
  std::string destination = entryDestination(entry);
  if (destination.empty()) {
    logFormat("No destination for file %s (target '%s'): not copied.", entry.source.c_str(),
              entry.target.c_str());
    return;
  }
  // A file target names the installed file; the other forms a directory.
  std::string installed = isFileTarget(entry.target)
                              ? destination
                              : destination + "/" + lastComponent(entry.source);
  if (destination.size() < 3 || !pathFits(destination) || !pathFits(installed))
    return;

  std::string message =
      formatText(catalogue(kCopyingFile), entry.source.c_str(), destination.c_str());
  blankControls(message);
  bool copied = prepareDestination(entry, destination) &&
                runShell(formatText("%s  %s %s", shellWord(toolPath(kToolCp)).c_str(),
                                    shellWord(entry.source).c_str(),
                                    shellWord(destination).c_str())) == 0;
  if (!copied) {
    logMessage(message + catalogue(kWrong));
    return;
  }
  logMessage(message);
  if (entry.mode > 0) {
    chmod(installed.c_str(), mode_t(entry.mode));
    logFormat(catalogue(kChangingRights), installed.c_str(), unsigned(entry.mode));
  }
}

}  // namespace

std::string entryDestination(const ManifestEntry& entry) {
  const std::string& target = entry.target;
  if (isFileTarget(target))
    return run.installDir + "/" + entry.source;
  if (target == "?")
    return ppdDestination();
  if (isDirectoryTarget(target) && target[0] == '.')
    return run.installDir + "/" + target.substr(2);
  if (isDirectoryTarget(target))
    return target;
  return std::string();
}

void copyManifestEntries(int count, bool dirsDiffer) {
  for (int i = 0; i < count && i < kManifestMax; ++i) {
    const ManifestEntry& entry = manifestTable[i];
    trace("goInstall[%d]: %s ===> %s, o%o.\n", i, entry.source.c_str(), entry.target.c_str(),
          unsigned(entry.mode));
    copyEntry(entry, dirsDiffer);
  }
}
