#include "ppd/printer_config.h"

#include <unistd.h>

#include <cstdio>

#include "discovery/tmp_name.h"
#include "driver/line_scan.h"
#include "driver/log.h"
#include "ppd/copy_file.h"
#include "ppd/printer_list.h"

namespace {

const char kOldMarker[] = "%%LUMO_VERSION_1.0";
const char kNewMarkerLine[] = "%%LUMO_VERSION_3.0\n";

// Copies the file in pieces of at most 255 characters; a line holding the
// old marker is written as the new marker line instead, whole.
bool copyWithNewMarker(FILE* in, FILE* out) {
  std::string piece;
  bool whole = true;
  bool lineStart = true;
  bool skipLine = false;  // rest of a replaced line
  while (readPiece(in, piece, whole)) {
    if (lineStart)
      skipLine = false;
    lineStart = whole;
    if (skipLine)
      continue;
    if (piece.find(kOldMarker) != std::string::npos) {
      std::fputs(kNewMarkerLine, out);
      skipLine = true;
    } else {
      std::fputs(piece.c_str(), out);
    }
  }
  return !std::ferror(in) && !std::ferror(out);
}

}  // namespace

int processPrinterConfig(const std::string& queueName) {
  // A queue named "." or ".." (from a PPD file named "..ppd" or "...ppd")
  // would lead out of the product's directory.
  if (!isPathSafeName(queueName)) {
    logFormat("Printer name refused, it could name a path: '%s'.", queueName.c_str());
    return 0;
  }
  return updateConfigFile(formatText("/opt/oxa/%s/root/lumoConfig", queueName.c_str()), queueName);
}

int updateConfigFile(const std::string& path, const std::string& queueName) {
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in)
    return 0;
  std::string tmp = myTmpName("/tmp", "ORB");
  FILE* out = std::fopen(tmp.c_str(), "w");
  if (!out) {
    std::fclose(in);
    unlink(tmp.c_str());
    return 0;
  }
  bool written = copyWithNewMarker(in, out);
  std::fclose(in);
  written = std::fclose(out) == 0 && written;
  bool updated = written && copyFile(tmp, path);
  unlink(tmp.c_str());
  if (!updated) {
    logFormat("processPrinterConfig(%s): not updated, %s stays as it was.", queueName.c_str(),
              path.c_str());
    return 0;
  }
  logFormat(catalogue(kConfigUpdated), queueName.c_str());
  return 1;
}
