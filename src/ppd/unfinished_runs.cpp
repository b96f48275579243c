#include "ppd/unfinished_runs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <functional>

#include "base/dir_entries.h"
#include "base/files.h"
#include "base/log.h"
#include "base/text.h"
#include "ppd/printer_config.h"
#include "ppd/printer_list.h"
#include "ppd/printer_scan.h"
#include "ppd/printer_update.h"

namespace {

constexpr size_t kStampSize = 6;

// Whether the name is stem followed by mkstemp's six letters or digits.
bool isStamped(const std::string& name, size_t stemSize) {
  if (name.size() != stemSize + kStampSize)
    return false;
  for (size_t i = stemSize; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

// "<base><tail>XXXXXX" with a base of at least one character.
bool isStampedAfter(const std::string& name, const std::string& tail) {
  if (name.size() <= tail.size() + kStampSize)
    return false;
  std::string stem = name.substr(0, name.size() - kStampSize);
  return endsWith(stem, tail) && isStamped(name, stem.size());
}

bool isLater(const timespec& a, const timespec& b) {
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

using NameTest = std::function<bool(const std::string& name)>;

void removeLeftoversIn(Log& log, const std::string& dir, const NameTest& ours,
                       const timespec& before) {
  forEachEntry(log, dir, [&](const std::string& path, const std::string& name) {
    if (ours(name) && isLeftover(path, before) && unlink(path.c_str()) == 0)
      log.printf("Removed %s, left by a run that did not finish.", path.c_str());
    return true;
  });
}

// The directory that holds the backups: the one above the CUPS PPD
// directory (see backupName).
std::string backupDir(const std::string& ppdDir) {
  return parentDir(ppdDir);
}

}  // namespace

bool isStagedPpdName(const std::string& name) {
  return isStampedAfter(name, ".ppd.") || isStampedAfter(name, ".ppd.O.");
}

bool isStagedBackupName(const std::string& name) {
  return isStampedAfter(name, ".rpmsave.");
}

bool isTmpFileName(const std::string& name) {
  for (const std::string prefix : {"orbin", "orbot", "ORB", "ORBLPD", "ORBLPRNG"})
    if (name.compare(0, prefix.size(), prefix) == 0 && isStamped(name, prefix.size()))
      return true;
  return false;
}

bool isLeftover(const std::string& path, const timespec& before) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && isOwnRegularFile(st) && isLater(before, st.st_mtim);
}

void removeStagedBeside(Log& log, const std::string& path, const timespec& before) {
  std::string stem = lastName(path) + ".";
  auto staged = [&stem](const std::string& name) {
    return name.compare(0, stem.size(), stem) == 0 && isStamped(name, stem.size());
  };
  removeLeftoversIn(log, parentDir(path), staged, before);
}

void removeLeftovers(Log& log, const std::string& cupsBaseDir, const timespec& lockTime) {
  std::string ppdDir = cupsPpdDir(cupsBaseDir);
  removeLeftoversIn(log, ppdDir, isStagedPpdName, lockTime);
  removeLeftoversIn(log, backupDir(ppdDir), isStagedBackupName, lockTime);
  std::string tmpDir = tmpPpdDir(log);
  removeLeftoversIn(log, "/tmp", isTmpFileName, lockTime);
  if (tmpDir != "/tmp")
    removeLeftoversIn(log, tmpDir, isTmpFileName, lockTime);
}

void finishMarkers(Log& log, const std::string& cupsBaseDir, const timespec& lockTime) {
  PrinterList printers;
  readCupsPrinters(log, cupsBaseDir, printers, kProductPpdVersion);
  for (const PrinterEntry& printer : printers) {
    const std::string& queue = printer.queueName;
    if (!isPathSafeName(queue))
      continue;
    std::string config = printerConfigPath(queue);
    removeStagedBeside(log, config, lockTime);
    if (!holdsOldMarker(config))
      continue;
    log.printf("Printer %s has the product's PPD but the old marker: its update is finished.",
               queue.c_str());
    processPrinterConfig(log, queue);
  }
}
