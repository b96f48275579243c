#include "ppd/printer_list.h"

#include "base/files.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/text.h"
#include "base/trusted_path.h"

namespace {

const char kBlockBegin[] = "%%ORBBLOCK_PRINTERS_BEGIN";
const char kBlockEnd[] = "%%ORBBLOCK_PRINTERS_END";

// Reads the next piece of at most 255 characters, its trailing blanks and
// line feeds dropped (carriage returns stay).
bool readTrimmedPiece(FILE* in, std::string& piece, bool& whole) {
  if (!readPiece(in, piece, whole))
    return false;
  trimEnd(piece, " \n");
  return true;
}

}  // namespace

bool readInfoPrinters(Log& log, const std::string& installDir, int kind, PrinterList& printers) {
  // A user's file must not name the queues a removal deletes.
  File in = openRootOnlyFile(log, installDir + (kind == 1 ? "/lumoInfo2.0" : "/lumoInfo4.0"));
  return in && readInfoPrinters(log, in.get(), printers);
}

bool readInfoPrinters(Log& log, FILE* in, PrinterList& printers) {
  std::string line;
  bool whole = true;
  bool found = false;
  while (!found && readTrimmedPiece(in, line, whole))
    found = line == kBlockBegin;
  if (!found)
    return false;

  printers.clear();
  bool continued = false;
  while (readTrimmedPiece(in, line, whole)) {
    bool restOfLongLine = continued;
    continued = !whole;
    if (restOfLongLine)
      continue;
    if (line == kBlockEnd)
      break;
    // A cut name could name another queue: an over-long one is left out.
    if (!whole || line.size() > kQueueNameMax) {
      log.printf("Queue name longer than %zu characters refused: '%s'.", kQueueNameMax,
                 line.c_str());
      continue;
    }
    PrinterEntry printer;
    printer.queueName = line;
    printer.index = int(printers.size());
    printers.push_back(printer);
  }
  return true;
}

bool isPathSafeName(const std::string& name) {
  return name.find('/') == std::string::npos && name != "." && name != "..";
}
