#include "discovery/ppd_dirs.h"

#include "base/fs_helpers.h"
#include "base/log.h"

namespace {

const char kFoomaticTree[] = "/usr/share/foomatic/db/source/PPD";
const char kDefaultModelDir[] = "/usr/share/cups/model";
const char kUsrShare[] = "/usr/share/ppd";
const char kOptShare[] = "/opt/share/ppd";
const char kOpenprinting[] = "/usr/share/ppd/openprinting";

const char* const kModelDirs[] = {"/usr/share/cups/model", "/usr/share/ppd", "/etc/cups/model",
                                  "/opt/cups/model", "/opt/cups/share/model"};
const char* const kSystemDirs[] = {"/usr/share/ppd", "/usr/ppd", "/opt/share/ppd",
                                   "/usr/local/share/ppd", kFoomaticTree};

// What the discovery found, one answer per directory it looked at.
struct Layout {
  bool model = false;
  bool system = false;
  bool foomatic = false;
  bool norvik = false;           // <foomatic>/Norvik
  bool foomaticProduct = false;  // <foomatic>/oxa
  bool usrShare = false;
  bool optShare = false;
  bool openprinting = false;
  bool vendor = false;
  bool custom = false;
  bool found = false;  // an earlier product directory was found
};

template <size_t N>
bool findFirst(const char* const (&candidates)[N], std::string& dir, DirTest isDir) {
  dir = kDefaultModelDir;
  for (const char* candidate : candidates) {
    if (isDir(candidate)) {
      dir = candidate;
      return true;
    }
  }
  return false;
}

std::string foomatic(const char* below) {
  return std::string(kFoomaticTree) + below;
}

// The earlier product directory.  A later finding replaces an earlier one,
// which gives the order of preference: <foomatic>/oxa, <foomatic>/Norvik/oxa,
// openprinting/oxa (only while <foomatic>/Norvik is missing), then
// /opt/share/ppd/oxa, /usr/share/ppd/oxa, cups-included/oxa and custom/oxa
// for a machine where nothing was found before.
void findProductDir(Layout& at, const std::string& cupsModelDir, std::string& existing,
                    DirTest isDir) {
  auto take = [&](const std::string& dir) {
    existing = dir;
    at.found = true;
  };
  if (at.openprinting && isDir("/usr/share/ppd/openprinting/oxa"))
    take("/usr/share/ppd/openprinting/oxa");
  if (at.foomatic) {
    at.norvik = isDir(foomatic("/Norvik"));
    if (at.norvik) {
      // The Norvik tree decides alone: an openprinting find no longer counts
      // as found, though its text stays.
      at.found = isDir(foomatic("/Norvik/oxa"));
      if (at.found)
        existing = foomatic("/Norvik/oxa");
    }
    at.foomaticProduct = isDir(foomatic("/oxa"));
    if (at.foomaticProduct)
      take(foomatic("/oxa"));
  }
  at.optShare = isDir(kOptShare);
  at.usrShare = isDir(kUsrShare);
  if (!at.found) {
    if (isDir("/opt/share/ppd/oxa"))
      take("/opt/share/ppd/oxa");
    else if (isDir("/usr/share/ppd/oxa"))
      take("/usr/share/ppd/oxa");
  }

  at.vendor = (isDir("/usr/share/ppd/cups-included") && at.openprinting) ||
              (isDir("/usr/share/ppd/HP") && isDir("/usr/share/ppd/Epson"));
  if (at.vendor && !at.found) {
    if (isDir("/usr/share/ppd/cups-included/oxa"))
      take("/usr/share/ppd/cups-included/oxa");
    else if (isDir("/usr/share/ppd/oxa"))
      take("/usr/share/ppd/oxa");
  }

  at.custom = at.model && isDir(cupsModelDir + "/custom");
  if (at.custom && !at.found && isDir(cupsModelDir + "/custom/oxa"))
    take(cupsModelDir + "/custom/oxa");
}

int flagsOf(const Layout& at) {
  int flags = 0;
  const struct {
    bool set;
    int bit;
  } bits[] = {
      {at.model, PPD_CUPS_MODEL},      {at.foomatic, PPD_FOOMATIC},
      {at.norvik, PPD_FOOMATIC_MAKER}, {at.custom, PPD_CUSTOM},
      {at.usrShare, PPD_USR_SHARE},    {at.optShare, PPD_OPT_SHARE},
      {at.system, PPD_SYSTEM},         {at.foomaticProduct, PPD_FOOMATIC_PRODUCT},
      {at.vendor, PPD_VENDOR_LAYOUT},  {at.openprinting, PPD_OPENPRINTING},
  };
  for (const auto& b : bits)
    if (b.set)
      flags |= b.bit;
  return flags;
}

// The proposed product PPD directory; it need not exist yet.
std::string proposedInstallDir(const Layout& at, const std::string& cupsModelDir, DirTest isDir) {
  if (at.openprinting) {
    bool byMaker =
        isDir("/usr/share/ppd/openprinting/HP") && isDir("/usr/share/ppd/openprinting/Epson");
    return at.vendor && byMaker ? "/usr/share/ppd/openprinting/oxa" : "/usr/share/ppd/oxa";
  }
  if (at.custom)
    return cupsModelDir + "/custom/oxa";
  if (at.foomatic)
    return foomatic(at.norvik && !at.foomaticProduct ? "/Norvik/oxa" : "/oxa");
  return std::string();
}

const char* orUnknown(bool known, const std::string& dir) {
  return known ? dir.c_str() : "???";
}

void logLocations(Log& log, const Layout& at, const PpdLocations& ppd) {
  const std::string& cupsModelDir = ppd.cupsModelDir;
  log.message("=======================================");
  log.message(msg::kPpdLocations);
  log.printf(msg::kCupsModelDir, orUnknown(at.model, cupsModelDir));
  log.printf(msg::kFoomaticPpdDir, orUnknown(at.foomatic, kFoomaticTree));
  std::string maker = foomatic(at.foomaticProduct ? "/oxa" : "/Norvik");
  log.printf(msg::kMakerPpdDir, orUnknown(at.foomaticProduct || at.norvik, maker));
  log.printf(msg::kCustomPpdDir, orUnknown(at.custom, cupsModelDir + "/custom"));
  if (at.usrShare)
    log.message(msg::kShareUsrPpd);
  if (at.optShare)
    log.message(msg::kShareOptPpd);
  log.printf(msg::kSystemPpdDir, orUnknown(at.system, ppd.systemPpdDir));
  if (at.found)
    log.printf(msg::kFoundExistingPpdDir, ppd.existingPpdDir.c_str());
}

}  // namespace

bool findCupsModelDir(PpdLocations& at, DirTest isDir) {
  return findFirst(kModelDirs, at.cupsModelDir, isDir);
}

bool findSystemPpdDir(PpdLocations& at, DirTest isDir) {
  return findFirst(kSystemDirs, at.systemPpdDir, isDir);
}

void discoverPpdDirs(Log& log, PpdLocations& ppd, DirTest isDir) {
  ppd.ppdInstallDir.clear();
  ppd.existingPpdDir.clear();
  Layout at;
  at.model = findCupsModelDir(ppd, isDir);
  at.system = findSystemPpdDir(ppd, isDir);
  at.foomatic = isDir(kFoomaticTree);
  at.openprinting = isDir(kOpenprinting);
  findProductDir(at, ppd.cupsModelDir, ppd.existingPpdDir, isDir);

  ppd.flags = flagsOf(at);
  ppd.ppdInstallDir = proposedInstallDir(at, ppd.cupsModelDir, isDir);
  logLocations(log, at, ppd);
}

void discoverPpdDirs(Log& log, PpdLocations& ppd) {
  discoverPpdDirs(log, ppd, isDirectory);
}
