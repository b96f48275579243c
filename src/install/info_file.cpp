#include "install/info_file.h"

#include <cstdio>
#include <cstring>

#include "base/fs_helpers.h"
#include "base/line_reader.h"

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

File openOrReport(Log& log, const std::string& path, const char* mode) {
  File file = openPath(log, path, mode);
  if (!file)
    log.printf(msg::kCannotOpenFile, path.c_str());
  return file;
}

}  // namespace

std::string installedFilePath(const std::string& installDir, const char* name) {
  return (installDir.empty() ? std::string("/opt/oxa") : installDir) + "/" + name;
}

void writeInfoFile(Context& run, const std::string& installDir) {
  std::string path = installedFilePath(installDir, "lumoInfo4.0");
  File out = openOrReport(run.log, path, "w");
  if (!out)
    return;
  std::fprintf(out.get(), "#\n# Lumo 4.0 Information File\n#\n%%%%ORBBLOCK_GENERAL_BEGIN\n");
  std::fprintf(out.get(), "USRDIR          %s\n", installDir.c_str());
  std::fputs(kInfoTail, out.get());
  out.reset();
  setModeAndOwner(path, 0755, run.facts.uid, run.facts.gid);
}

void upgradeInfoFile(Context& run, const std::string& installDir) {
  std::string from = installedFilePath(installDir, "lumoInfo2.0");
  std::string to = installedFilePath(installDir, "lumoInfo4.0");
  File in = openOrReport(run.log, from, "r");
  File out = in ? openOrReport(run.log, to, "w") : File();
  if (!out) {
    writeInfoFile(run, installDir);
    return;
  }
  // Only the first title line changes; every other piece is copied as read.
  std::string piece;
  bool retitled = false;
  while (readPiece(in.get(), piece)) {
    if (!retitled && piece.find("Information File") != std::string::npos) {
      std::fputs("# Lumo 3.0 Information File\n", out.get());
      retitled = true;
    } else {
      std::fputs(piece.c_str(), out.get());
    }
  }
  run.log.message(msg::kCopiedInfoFile);
}
