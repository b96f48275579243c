#include "install/info_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/fs_helpers.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/staged_file.h"

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

void writeFreshInfo(FILE* out, const std::string& installDir) {
  std::fprintf(out, "#\n# Lumo 4.0 Information File\n#\n%%%%ORBBLOCK_GENERAL_BEGIN\n");
  std::fprintf(out, "USRDIR          %s\n", installDir.c_str());
  std::fputs(kInfoTail, out);
}

// Only the first title line changes; every other piece is copied as read.
void writeUpgradedInfo(FILE* in, FILE* out) {
  std::string piece;
  bool retitled = false;
  while (readPiece(in, piece)) {
    if (!retitled && piece.find("Information File") != std::string::npos) {
      std::fputs("# Lumo 3.0 Information File\n", out);
      retitled = true;
    } else {
      std::fputs(piece.c_str(), out);
    }
  }
}

}  // namespace

std::string installedFilePath(const std::string& installDir, const char* name) {
  return (installDir.empty() ? std::string("/opt/oxa") : installDir) + "/" + name;
}

bool writeInstalledFile(Log& log, const std::string& path, const FileAttributes* attributes,
                        const std::function<bool(FILE*)>& write) {
  if (!pathFits(log, path))
    return false;
  StagedFile out(path);
  if (!out.ok()) {
    log.printf(msg::kCannotOpenFile, path.c_str());
    return false;
  }
  if (write(out.stream()) &&
      (attributes ? out.commit(*attributes) : out.commitKeeping(0666 & ~creationMask())))
    return true;
  log.printf("Cannot write file: '%s': %s.", path.c_str(),
             std::strerror(out.error() ? out.error() : EIO));
  return false;
}

bool writeInfoFile(Context& run, const std::string& installDir) {
  std::string path = installedFilePath(installDir, kInfoFileName);
  FileAttributes attributes{0755, uid_t(run.facts.uid), gid_t(run.facts.gid)};
  return writeInstalledFile(run.log, path, &attributes, [&](FILE* out) {
    writeFreshInfo(out, installDir);
    return true;
  });
}

void upgradeInfoFile(Context& run, const std::string& installDir) {
  std::string from = installedFilePath(installDir, "lumoInfo2.0");
  std::string to = installedFilePath(installDir, kInfoFileName);
  File in = openOrReport(run.log, from, "r");
  // The carried-over file keeps the bits it had, or gets the usual ones.
  if (in && writeInstalledFile(run.log, to, nullptr, [&](FILE* out) {
        writeUpgradedInfo(in.get(), out);
        return !std::ferror(in.get());
      })) {
    run.log.message(msg::kCopiedInfoFile);
    return;
  }
  writeInfoFile(run, installDir);
}
