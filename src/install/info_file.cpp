#include "install/info_file.h"

#include <cstdio>
#include <cstring>

#include "driver/log.h"
#include "driver/run_settings.h"
#include "install/fs_helpers.h"

namespace {

// The layout after the USRDIR line; its value column starts at the 17th
// character, like USRDIR's.
const char kInfoTail[] =
    "HOMEDIR         $HOME\n"
    "TMPDIR          /tmp\n"
    "%%ORBBLOCK_GENERAL_END\n"
    "#\n"
    "#\n"
    "%%ORBBLOCK_PRINTERS_BEGIN\n"
    "Default\n"
    "%%ORBBLOCK_PRINTERS_END\n"
    "#\n"
    "#\n"
    "%%ORBBLOCK_USERS_BEGIN\n"
    "root\n"
    "%%ORBBLOCK_USERS_END\n"
    "#\n"
    "#\n"
    "%%ORBBLOCK_PRNT_BEGIN Default\n"
    "root\n"
    "%%ORBBLOCK_PRNT_END Default\n"
    "#\n"
    "#\n"
    "%%ORBEND\n";

FILE* openOrReport(const std::string& path, const char* mode) {
  FILE* file = openPath(path, mode);
  if (!file)
    logFormat(catalogue(kCannotOpenFile), path.c_str());
  return file;
}

}  // namespace

std::string installedFilePath(const char* name) {
  return (run.installDir.empty() ? std::string("/opt/oxa") : run.installDir) + "/" + name;
}

void writeInfoFile() {
  std::string path = installedFilePath("lumoInfo4.0");
  FILE* out = openOrReport(path, "w");
  if (!out)
    return;
  std::fprintf(out, "#\n# Lumo 4.0 Information File\n#\n%%%%ORBBLOCK_GENERAL_BEGIN\n");
  std::fprintf(out, "USRDIR          %s\n", run.installDir.c_str());
  std::fputs(kInfoTail, out);
  std::fclose(out);
  setModeAndOwner(path, 0755);
}

int upgradeInfoFile() {
  std::string from = installedFilePath("lumoInfo2.0");
  std::string to = installedFilePath("lumoInfo4.0");
  FILE* in = openOrReport(from, "r");
  if (!in) {
    writeInfoFile();
    return 0;
  }
  FILE* out = openOrReport(to, "w");
  if (!out) {
    std::fclose(in);
    writeInfoFile();
    return 0;
  }
  // Only the first title line changes; every other piece is copied as read.
  char buffer[256];
  bool retitled = false;
  while (std::fgets(buffer, sizeof buffer, in)) {
    if (!retitled && std::strstr(buffer, "Information File")) {
      std::fputs("# Lumo 3.0 Information File\n", out);
      retitled = true;
    } else {
      std::fputs(buffer, out);
    }
  }
  std::fclose(in);
  std::fclose(out);
  logMessage(catalogue(kCopiedInfoFile));
  return 0;
}
