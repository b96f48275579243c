#include "ppd/printer_scan.h"

#include <unistd.h>

#include <cstdio>
#include <new>
#include <optional>

#include "driver/log.h"
#include "driver/run_settings.h"
#include "ppd/dir_entries.h"
#include "ppd/model_line.h"
#include "ppd/ppd_locations.h"
#include "ppd/ppd_match.h"

namespace {

constexpr int kMaxReads = 30;

const char* const kPdlNames[] = {"Unknown", "PostScript", "PCL", "PXL", "CPCA", "Raw", "Special"};

// What the first lines of a PPD file say about it.
struct PpdHeader {
  std::optional<std::string> model;
  int pdlKind = kPdlUnknown;
  int modelId = 0;
  int version = -1;
};

// Reads at most 30 pieces of 255 characters, stopping once both the model
// line and a version line with a digit from 1 to 9 have been seen.
PpdHeader readHeader(FILE* in) {
  PpdHeader header;
  char buffer[256];
  for (int reads = 0; reads < kMaxReads && !(header.model && header.version > 0); ++reads) {
    buffer[0] = '\0';
    if (!std::fgets(buffer, sizeof buffer, in))
      break;
    if (!header.model)
      header.model = parseModelLine(buffer, header.pdlKind, header.modelId);
    if (header.version <= 0)
      header.version = readLumoVersion(buffer);
  }
  return header;
}

// The queue name of a PPD file: its name up to the first ".ppd".
std::string queueFromFileName(const std::string& name) {
  return name.substr(0, name.find(".ppd"));
}

// Stores an accepted queue: the first in the head, the others in new
// entries at the tail.  False when no entry could be had.
bool addScannedPrinter(PrinterEntry* head, int count, const PpdHeader& header,
                       const std::string& path, const std::string& queue) {
  PrinterEntry* entry = count == 0 ? head : new (std::nothrow) PrinterEntry;
  if (!entry)
    return false;
  entry->modelName = *header.model;
  entry->ppdPath = path;
  entry->queueName = queue;
  entry->modelId = header.modelId;
  entry->pdlKind = header.pdlKind;
  entry->index = count;
  if (count > 0)
    addPList(head, entry);
  return true;
}

// Examines one file of the CUPS PPD directory; true when it was accepted.
bool scanPpdFile(PrinterEntry* head, int count, const std::string& path, const std::string& name) {
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in)
    return false;
  PpdHeader header = readHeader(in);
  std::fclose(in);
  if (!header.model || header.version != 1 || header.pdlKind == kPdlUnknown)
    return false;

  std::string queue = queueFromFileName(name);
  // A cut name could name another queue: such a queue is left alone.
  if (queue.size() > kQueueNameMax) {
    logFormat("Queue name longer than %zu characters passed over: '%s'.", kQueueNameMax,
              path.c_str());
    return false;
  }
  if (!addScannedPrinter(head, count, header, path, queue)) {
    logFormat("Cannot allocate memory for printer: %s.", queue.c_str());
    return false;
  }
  return true;
}

void logPrinterName(const PrinterEntry& printer) {
  if (printer.queueName.empty())
    logMessage(catalogue(kPrinterUnknown));
  else
    logFormat(catalogue(kPrinterName), printer.queueName.c_str());
}

void trimModelName(std::string& text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
}

}  // namespace

std::string cupsPpdDir() {
  if (run.cupsBaseDir.empty() || run.cupsBaseDir == "/")
    return "/etc/cups/ppd";
  return run.cupsBaseDir + "/etc/cups/ppd";
}

bool readCupsPrinters(PrinterEntry* head, int& count) {
  count = 0;
  std::string dir = cupsPpdDir();
  if (access(dir.c_str(), F_OK) != 0)
    return false;
  forEachEntry(dir, [&](const std::string& path, const std::string& name) {
    if (scanPpdFile(head, count, path, name))
      ++count;
    return true;
  });
  return true;
}

int scanCupsPrinters(PrinterEntry* head, int& count) {
  if (!readCupsPrinters(head, count))
    return 0;
  listInstalledPrinters(head, count);
  listPpdFilesToInstall(ppdInstallDir, head, count);
  return count > 0 ? 1 : 0;
}

void listInstalledPrinters(PrinterEntry* head, int count) {
  logFormat(catalogue(kPrintersInstalled), count);
  PrinterEntry* printer = head;
  for (int i = 0; i < count; ++i, printer = printer->next) {
    logPrinterName(*printer);
    logFormat(catalogue(kListPpdFile), printer->ppdPath.c_str());
    trimModelName(printer->modelName);
    logFormat(catalogue(kListModel), printer->modelName.c_str());
    logFormat("\tNorvik ID: %d.\n", printer->modelId);
    if (printer->pdlKind >= kPdlUnknown && printer->pdlKind <= kPdlSpecial)
      logFormat("\tPDL     : %s.", kPdlNames[printer->pdlKind]);
  }
}

void listPpdFilesToInstall(const std::string& dir, PrinterEntry* head, int count) {
  logFormat(catalogue(kPpdFilesToInstall), count);
  PrinterEntry* printer = head;
  for (int i = 0; i < count; ++i, printer = printer->next) {
    logPrinterName(*printer);
    std::string path;
    if (findProductPpd(dir, *printer, path))
      logFormat("PPD = %s.\n", path.c_str());
    else
      logMessage(catalogue(kPpdNotFound));
  }
}
