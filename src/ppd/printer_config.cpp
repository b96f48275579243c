#include "ppd/printer_config.h"

#include <cstdio>
#include <cstring>

#include "base/files.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/staged_file.h"
#include "base/text.h"
#include "ppd/printer_list.h"

namespace {

const char kOldMarker[] = "%%LUMO_VERSION_1.0";
const char kNewMarker[] = "%%LUMO_VERSION_3.0";

}  // namespace

bool copyWithNewMarker(FILE* in, FILE* out, MarkerWay way) {
  bool forward = way == MarkerWay::kForward;
  const char* from = forward ? kOldMarker : kNewMarker;
  const std::string toLine = std::string(forward ? kNewMarker : kOldMarker) + "\n";
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
    if (piece.find(from) != std::string::npos) {
      std::fputs(toLine.c_str(), out);
      skipLine = true;
    } else {
      std::fputs(piece.c_str(), out);
    }
  }
  return !std::ferror(in) && !std::ferror(out);
}

bool processPrinterConfig(Log& log, const std::string& queueName, MarkerWay way) {
  // A queue named "." or ".." (from a PPD file named "..ppd" or "...ppd")
  // would lead out of the product's directory.
  if (!isPathSafeName(queueName)) {
    log.printf("Printer name refused, it could name a path: '%s'.", queueName.c_str());
    return false;
  }
  return updateConfigFile(log, printerConfigPath(queueName), queueName, way);
}

std::string printerConfigPath(const std::string& queueName) {
  return formatText("/opt/oxa/%s/root/lumoConfig", queueName.c_str());
}

bool holdsOldMarker(const std::string& path) {
  File in = openRegularFile(path);
  return in && scanLines(in.get(), [](const char* line) {
           return std::strstr(line, kOldMarker) != nullptr;
         });
}

bool updateConfigFile(Log& log, const std::string& path, const std::string& queueName,
                      MarkerWay way) {
  // A link in the file's place is neither read nor written through.
  File in = openRegularFile(path);
  if (!in)
    return false;
  // Staged beside the file and renamed over it: a link planted in its
  // place is replaced, never written through.
  StagedFile out(path);
  if (!out.ok() || !copyWithNewMarker(in.get(), out.stream(), way) ||
      !out.commitKeeping(0644)) {
    log.printf("processPrinterConfig(%s): not updated, %s stays as it was.", queueName.c_str(),
               path.c_str());
    return false;
  }
  log.printf(msg::kConfigUpdated, queueName.c_str());
  return true;
}
