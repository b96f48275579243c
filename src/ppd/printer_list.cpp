#include "ppd/printer_list.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "driver/line_scan.h"
#include "driver/log.h"
#include "ppd/ring.h"
#include "driver/run_settings.h"

PrinterEntry printerList;
int printerCount = 0;

namespace {

const char kBlockBegin[] = "%%ORBBLOCK_PRINTERS_BEGIN";
const char kBlockEnd[] = "%%ORBBLOCK_PRINTERS_END";

// Reads the next piece of at most 255 characters, its line end trimmed.
bool readTrimmedPiece(FILE* in, std::string& piece, bool& whole) {
  if (!readPiece(in, piece, whole))
    return false;
  trimLineEnd(piece, 256);
  return true;
}

int ringLength(PrinterEntry* head) {
  int length = 1;
  for (PrinterEntry* e = head->next; e != head; e = e->next)
    ++length;
  return length;
}

// Stores one queue name of the block: the first in the head, the others
// in new entries at the tail.  False when no entry could be had.
bool addInfoPrinter(PrinterEntry* head, const std::string& name, int count) {
  if (count == 0) {
    head->queueName = name;
    head->index = 0;
    head->pdlKind = kPdlUnknown;
    return true;
  }
  PrinterEntry* entry = new (std::nothrow) PrinterEntry;
  if (!entry)
    return false;
  entry->queueName = name;
  entry->index = count;
  addPList(head, entry);
  return true;
}

}  // namespace

void trimLineEnd(std::string& text, size_t limit) {
  size_t end = std::min(text.size(), limit);
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\n'))
    --end;
  text.resize(end);
}

int clearPrinterList(PrinterEntry* head) {
  ringClear(head);
  return 0;
}

int initPrinterList(PrinterEntry* head) {
  if (!head)
    return 0;
  int result = clearPrinterList(head);
  *head = PrinterEntry();
  head->next = head->prev = head;
  return result;
}

void addPList(PrinterEntry* head, PrinterEntry* entry) {
  ringAppend(head, entry, "addPList(NULL,...) Error!\n");
}

int readInfoPrinters(int kind, PrinterEntry* head) {
  std::string path = run.installDir + (kind == 1 ? "/lumoInfo2.0" : "/lumoInfo4.0");
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in)
    return 0;

  std::string line;
  bool whole = true;
  bool found = false;
  while (!found && readTrimmedPiece(in, line, whole))
    found = line == kBlockBegin;
  if (!found) {
    std::fclose(in);
    return 0;
  }

  clearPrinterList(head);
  int count = 0;
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
      logFormat("Queue name longer than %zu characters refused: '%s'.", kQueueNameMax,
                line.c_str());
      continue;
    }
    if (!addInfoPrinter(head, line, count)) {
      logFormat("Cannot allocate memory for printer: %s.", line.c_str());
      break;
    }
    ++count;
  }
  std::fclose(in);
  printerCount = count == 0 ? 0 : ringLength(head);
  return 1;
}

bool isPathSafeName(const std::string& name) {
  return name.find('/') == std::string::npos && name != "." && name != "..";
}
