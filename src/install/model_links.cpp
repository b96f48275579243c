#include "install/model_links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "base/dir_entries.h"
#include "base/fs_helpers.h"
#include "base/log.h"
#include "base/text.h"
#include "discovery/ppd_dirs.h"

namespace {

constexpr int kFirstModernVersion = 1300;  // CUPS 1.3

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// A link, or a directory that holds subdirectories.
bool qualifies(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
    return true;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_nlink > 2;
}

// The entry's link target, empty for a directory that is no link.  A target
// too long to keep is refused rather than cut: a cut one names another
// directory.
bool readTarget(Log& log, const std::string& path, std::string& target) {
  char buffer[PATH_MAX];
  ssize_t length = readlink(path.c_str(), buffer, sizeof buffer);
  target.assign(buffer, length > 0 ? size_t(length) : 0);
  return pathFits(log, target);
}

// Which link target points into a PPD tree, when the model directory has
// no custom directory.
const char* targetPattern(int flags) {
  if (flags & PPD_FOOMATIC)
    return "foomatic";
  if (flags & PPD_USR_SHARE)
    return "/usr/share/ppd";
  if (flags & PPD_OPT_SHARE)
    return "/opt/share/ppd";
  return nullptr;
}

void record(Log& log, ModelLinks& links, const std::string& path, const std::string& target) {
  links.push_back({path, target});
  log.printf(msg::kLinkedTo, int(links.size()), path.c_str(), target.c_str());
}

void logInstallDir(Log& log, const PpdLocations& ppd) {
  log.printf(msg::kPpdInstallDir, ppd.ppdInstallDir.c_str());
}

// Takes `dir`, or <cupsModelDir>/oxa when it is empty, and creates it.
// The creation line is written whatever makeDir managed.
void settle(Log& log, PpdLocations& ppd, const std::string& dir, bool change) {
  ppd.ppdInstallDir = dir.empty() ? ppd.cupsModelDir + "/oxa" : dir;
  logInstallDir(log, ppd);
  if (!change || isDirectory(ppd.ppdInstallDir))
    return;
  makeDir(log, ppd.ppdInstallDir, true, 0755);
  log.printf(msg::kCreatedDirectory, ppd.ppdInstallDir.c_str());
}

// CUPS before 1.3 without a known link: a product PPD directory in a shared
// tree gets the model directory's entry "oxa" linked to it, unless that
// entry is there already.
void linkIntoModelDir(Log& log, PpdLocations& ppd, bool change) {
  int flags = ppd.flags;
  const char* shared = (flags & PPD_USR_SHARE)   ? "/usr/share/ppd/oxa"
                       : (flags & PPD_OPT_SHARE) ? "/opt/share/ppd/oxa"
                                                 : nullptr;
  std::string link = ppd.cupsModelDir + "/oxa";
  ppd.ppdInstallDir = shared ? shared : link;
  logInstallDir(log, ppd);
  if (!change || !shared || isPresent(link))
    return;
  if ((flags & PPD_USR_SHARE) && !isPresent(ppd.ppdInstallDir))
    makeDir(log, ppd.ppdInstallDir, true, 0755);
  makeReportedLink(log, ppd.ppdInstallDir, link);
}

}  // namespace

ModelLinks scanModelLinks(Log& log, const PpdLocations& ppd) {
  ModelLinks links;
  const std::string& cupsModelDir = ppd.cupsModelDir;
  if (!isPresent(cupsModelDir))
    return links;
  const int flags = ppd.flags;
  const char* pattern = targetPattern(flags);
  // Set by a recorded link, and by any foomatic entry even when nothing is
  // recorded for it.
  bool known = false;

  Dir dir(opendir(cupsModelDir.c_str()));
  for (dirent* entry; dir && int(links.size()) < kModelLinkMax && (entry = readdir(dir.get()));) {
    std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    std::string path = cupsModelDir + "/" + name;
    if (contains(path, "foomatic"))
      known = true;
    std::string target;
    if (!qualifies(path) || !pathFits(log, path) || !readTarget(log, path, target))
      continue;
    if (flags & PPD_CUSTOM) {
      if (contains(path, "custom")) {
        record(log, links, path, target);
        known = true;
      }
    } else if (pattern && contains(target, pattern)) {
      record(log, links, path, target);
      known = true;
      break;
    }
  }
  if (!known)
    log.printf(msg::kNoKnownLinks, cupsModelDir.c_str());
  return links;
}

void linkProductPpdDir(Log& log, PpdLocations& ppd, int cupsVersion, const ModelLinks& links,
                       bool change) {
  if (!isPresent(ppd.cupsModelDir))
    return;
  const std::string existing = ppd.existingPpdDir;
  if (!existing.empty()) {
    ppd.ppdInstallDir = existing;
    logInstallDir(log, ppd);
    log.printf(msg::kUsingPreviousPpdDir, existing.c_str());
  } else if (cupsVersion >= kFirstModernVersion) {
    settle(log, ppd, modernPpdInstallDir(ppd.flags, ppd.ppdInstallDir), change);
  } else if (links.empty()) {
    linkIntoModelDir(log, ppd, change);
  } else {
    settle(log, ppd, linkedPpdInstallDir(log, ppd.flags, links), change);
  }
}

std::string modernPpdInstallDir(int flags, const std::string& current) {
  bool usrShare = flags & PPD_USR_SHARE, optShare = flags & PPD_OPT_SHARE;
  if (usrShare && (flags & PPD_OPENPRINTING))
    return "/usr/share/ppd/openprinting/oxa";
  if (usrShare && (flags & PPD_VENDOR_LAYOUT))
    return "/usr/share/ppd/oxa";
  if (usrShare && optShare)
    return contains(current, "/usr/opt") ? "/usr/opt/ppd/oxa" : "/usr/share/ppd/oxa";
  if (usrShare)
    return contains(current, "/usr/share") ? current : "/usr/share/ppd/oxa";
  if (optShare && !contains(current, "/usr/opt"))
    return "/usr/opt/ppd/oxa";
  if (optShare && !contains(current, "/opt/share"))
    return "/opt/share/ppd/oxa";
  return std::string();
}

std::string linkedPpdInstallDir(Log& log, int flags, const ModelLinks& links) {
  const char* part = (flags & PPD_CUSTOM)                        ? "custom"
                     : (flags & PPD_FOOMATIC)                    ? "foomatic"
                     : (flags & (PPD_USR_SHARE | PPD_OPT_SHARE)) ? "/share/ppd"
                                                                 : nullptr;
  for (const ModelLink& link : links) {
    if (!part || !contains(link.path, part))
      continue;
    std::string source = link.target.compare(0, 1, "/") == 0 ? link.target : link.path;
    if (lastName(source) == "oxa")
      return source;
    std::string dir = source + "/oxa";
    return pathFits(log, dir) ? dir : std::string();
  }
  return std::string();
}
