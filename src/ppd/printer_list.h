// The printer list: the print queues a run works on, in the order they were
// found (the installed-printer scan) or listed (the information file's
// printer block).
#ifndef LUMO_PPD_PRINTER_LIST_H
#define LUMO_PPD_PRINTER_LIST_H

#include <cstdio>
#include <string>
#include <vector>

class Log;

// Page-description languages of a PPD.
enum PdlKind {
  kPdlUnknown = 0,
  kPdlPostScript = 1,
  kPdlPcl = 2,
  kPdlPxl = 3,
  kPdlCpca = 4,
  kPdlRaw = 5,
  kPdlSpecial = 6,
};

// A queue name holds at most this many characters.
constexpr size_t kQueueNameMax = 79;

struct PrinterEntry {
  std::string modelName;  // the PPD's model text
  std::string ppdPath;    // the queue's PPD file
  std::string queueName;
  int modelId = 0;
  int index = 0;  // its place in the list, from 0
  int pdlKind = kPdlUnknown;
};

using PrinterList = std::vector<PrinterEntry>;

// Replaces the list by the printer block of the installation's information
// file (lumoInfo2.0 for kind 1, else lumoInfo4.0).  False (the list as it
// was) when the file has no printer block.
bool readInfoPrinters(Log& log, const std::string& installDir, int kind, PrinterList& printers);
// The same from the open information file.
bool readInfoPrinters(Log& log, FILE* in, PrinterList& printers);

// A queue name that can safely be part of a path: no "/", not "." or "..".
bool isPathSafeName(const std::string& name);

#endif
