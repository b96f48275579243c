// The printer list: a circular, doubly-linked ring of print queues whose
// process-wide head holds the first printer itself (it is not a sentinel).
// The ring does not know its length; whoever fills it keeps the count.
#ifndef LUMO_PPD_PRINTER_LIST_H
#define LUMO_PPD_PRINTER_LIST_H

#include <string>

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
  int index = 0;
  int pdlKind = kPdlUnknown;
  PrinterEntry* next = this;
  PrinterEntry* prev = this;
};

extern PrinterEntry printerList;  // the head
extern int printerCount;          // printers read from the information file

// Frees every entry but the head and links the head to itself.
int clearPrinterList(PrinterEntry* head);
// Clears the list and empties the head's fields as well.
int initPrinterList(PrinterEntry* head);
// Links the entry in just before the head, at the tail; fatal without head.
void addPList(PrinterEntry* head, PrinterEntry* entry);

// Fills the list from the printer block of the installation's information
// file (lumoInfo2.0 for kind 1, else lumoInfo4.0) and sets printerCount.
// Returns 1 when the file had a printer block, else 0.
int readInfoPrinters(int kind, PrinterEntry* head);

// A queue name that can safely be part of a path: no "/", not "." or "..".
bool isPathSafeName(const std::string& name);

// Cuts the text to its first `limit` characters, then drops trailing
// blanks and line feeds (carriage returns stay).
void trimLineEnd(std::string& text, size_t limit);

#endif
