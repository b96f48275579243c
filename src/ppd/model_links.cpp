#include "ppd/model_links.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "driver/log.h"
#include "driver/run_settings.h"
#include "install/fs_helpers.h"
#include "ppd/ppd_dirs.h"
#include "ppd/ppd_locations.h"

ModelLink modelLinks[kModelLinkMax];

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
bool readTarget(const std::string& path, std::string& target) {
  char buffer[PATH_MAX];
  ssize_t length = readlink(path.c_str(), buffer, sizeof buffer);
  target.assign(buffer, length > 0 ? size_t(length) : 0);
  return pathFits(target);
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

void record(int& count, const std::string& path, const std::string& target) {
  modelLinks[count] = {path, target};
  ++count;
  logFormat(catalogue(kLinkedTo), count, path.c_str(), target.c_str());
}

void logInstallDir() {
  logFormat(catalogue(kPpdInstallDir), ppdInstallDir.c_str());
}

// Takes `dir`, or <cupsModelDir>/oxa when it is empty, and creates it.
// The creation line is written whatever makeDir managed.
void settle(const std::string& dir) {
  ppdInstallDir = dir.empty() ? cupsModelDir + "/oxa" : dir;
  logInstallDir();
  if (fileExists(ppdInstallDir))
    return;
  makeDir(ppdInstallDir, 1, 0755);
  logFormat(catalogue(kCreatedDirectory), ppdInstallDir.c_str());
}

// CUPS before 1.3 without a known link: a product PPD directory in a shared
// tree gets the model directory's entry "oxa" linked to it, unless that
// entry is there already.
void linkIntoModelDir(int flags) {
  const char* shared = (flags & PPD_USR_SHARE)   ? "/usr/share/ppd/oxa"
                       : (flags & PPD_OPT_SHARE) ? "/opt/share/ppd/oxa"
                                                 : nullptr;
  std::string link = cupsModelDir + "/oxa";
  ppdInstallDir = shared ? shared : link;
  logInstallDir();
  if (!shared || isPresent(link))
    return;
  if ((flags & PPD_USR_SHARE) && !isPresent(ppdInstallDir))
    makeDir(ppdInstallDir, 1, 0755);
  makeReportedLink(ppdInstallDir, link);
}

}  // namespace

void scanModelLinks(int& count) {
  if (!isPresent(cupsModelDir))
    return;
  for (ModelLink& link : modelLinks)
    link = ModelLink();
  const int flags = run.ppdFlags;
  const char* pattern = targetPattern(flags);
  int recorded = 0;
  // Set by a recorded link, and by any foomatic entry even when nothing is
  // recorded for it.
  bool known = false;

  DIR* dir = opendir(cupsModelDir.c_str());
  for (dirent* entry; dir && recorded < kModelLinkMax && (entry = readdir(dir));) {
    std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    std::string path = cupsModelDir + "/" + name;
    if (contains(path, "foomatic"))
      known = true;
    std::string target;
    if (!qualifies(path) || !pathFits(path) || !readTarget(path, target))
      continue;
    if (flags & PPD_CUSTOM) {
      if (contains(path, "custom")) {
        record(recorded, path, target);
        known = true;
      }
    } else if (pattern && contains(target, pattern)) {
      record(recorded, path, target);
      known = true;
      break;
    }
  }
  if (dir)
    closedir(dir);
  if (!known)
    logFormat(catalogue(kNoKnownLinks), cupsModelDir.c_str());
  count = recorded;
}

void linkProductPpdDir(const std::string& existing, int count) {
  if (!isPresent(cupsModelDir))
    return;
  if (!existing.empty()) {
    ppdInstallDir = existing;
    logInstallDir();
    logFormat(catalogue(kUsingPreviousPpdDir), existing.c_str());
  } else if (run.cupsVersion >= kFirstModernVersion) {
    settle(modernPpdInstallDir(run.ppdFlags, ppdInstallDir));
  } else if (count == 0) {
    linkIntoModelDir(run.ppdFlags);
  } else {
    settle(linkedPpdInstallDir(run.ppdFlags, modelLinks, std::min(count, kModelLinkMax)));
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

std::string linkedPpdInstallDir(int flags, const ModelLink* links, int count) {
  const char* part = (flags & PPD_CUSTOM)                        ? "custom"
                     : (flags & PPD_FOOMATIC)                    ? "foomatic"
                     : (flags & (PPD_USR_SHARE | PPD_OPT_SHARE)) ? "/share/ppd"
                                                                 : nullptr;
  for (int i = 0; part && i < count; ++i) {
    if (!contains(links[i].path, part))
      continue;
    const ModelLink& link = links[i];
    std::string source = link.target.compare(0, 1, "/") == 0 ? link.target : link.path;
    if (source.substr(source.rfind('/') + 1) == "oxa")
      return source;
    std::string dir = source + "/oxa";
    return pathFits(dir) ? dir : std::string();
  }
  return std::string();
}
