#include "ppd/printer_scan.h"

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "base/dir_entries.h"
#include "base/files.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/text.h"
#include "ppd/unfinished_runs.h"

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
PpdHeader readHeader(ModelMatcher& matcher, FILE* in) {
  PpdHeader header;
  std::string piece;
  for (int reads = 0; reads < kMaxReads && !(header.model && header.version > 0); ++reads) {
    if (!readPiece(in, piece))
      break;
    if (!header.model)
      header.model = matcher.parse(piece, header.pdlKind, header.modelId);
    if (header.version <= 0)
      header.version = readLumoVersion(piece);
  }
  return header;
}

// The queue name of a PPD file: its name up to the first ".ppd".
std::string queueFromFileName(const std::string& name) {
  return name.substr(0, name.find(".ppd"));
}

}  // namespace

void scanPpdStream(Log& log, ModelMatcher& matcher, FILE* in, const std::string& path,
                   const std::string& name, int version, PrinterList& printers) {
  PpdHeader header = readHeader(matcher, in);
  if (!header.model || header.version != version || header.pdlKind == kPdlUnknown)
    return;

  std::string queue = queueFromFileName(name);
  // A cut name could name another queue: such a queue is left alone.
  if (queue.size() > kQueueNameMax) {
    log.printf("Queue name longer than %zu characters passed over: '%s'.", kQueueNameMax,
               path.c_str());
    return;
  }
  PrinterEntry printer;
  printer.modelName = *header.model;
  trimEnd(printer.modelName, "\n\r ");
  printer.ppdPath = path;
  printer.queueName = queue;
  printer.modelId = header.modelId;
  printer.pdlKind = header.pdlKind;
  printer.index = int(printers.size());
  printers.push_back(printer);
}

namespace {

// Examines one file of the CUPS PPD directory.
void scanPpdFile(Log& log, ModelMatcher& matcher, const std::string& path, const std::string& name,
                 int version, PrinterList& printers) {
  File in = openFile(path, "r");
  if (in)
    scanPpdStream(log, matcher, in.get(), path, name, version, printers);
}

void logPrinterName(Log& log, const PrinterEntry& printer) {
  if (printer.queueName.empty())
    log.message(msg::kPrinterUnknown);
  else
    log.printf(msg::kPrinterName, printer.queueName.c_str());
}

}  // namespace

std::string cupsPpdDir(const std::string& cupsBaseDir) {
  if (cupsBaseDir.empty() || cupsBaseDir == "/")
    return "/etc/cups/ppd";
  return cupsBaseDir + "/etc/cups/ppd";
}

bool readCupsPrinters(Log& log, const std::string& cupsBaseDir, PrinterList& printers,
                      int version) {
  printers.clear();
  std::string dir = cupsPpdDir(cupsBaseDir);
  if (access(dir.c_str(), F_OK) != 0)
    return false;
  ModelMatcher matcher;
  forEachEntry(log, dir, [&](const std::string& path, const std::string& name) {
    // What a killed run staged beside a queue's PPD is no queue.
    if (!isStagedPpdName(name))
      scanPpdFile(log, matcher, path, name, version, printers);
    return true;
  });
  return true;
}

bool isServerQueue(const std::string& cupsBaseDir, const std::string& name) {
  std::string ppdDir = cupsPpdDir(cupsBaseDir);
  if (isPathSafeName(name) && access((ppdDir + "/" + name + ".ppd").c_str(), F_OK) == 0)
    return true;
  File in = openRegularFile(parentDir(ppdDir) + "/printers.conf");
  return in && scanLines(in.get(), [&name](const char* line) {
           std::string text = line;
           trimEnd(text, "\n\r ");
           return text == "<Printer " + name + ">" || text == "<DefaultPrinter " + name + ">";
         });
}

void listInstalledPrinters(Log& log, const PrinterList& printers) {
  log.printf(msg::kPrintersInstalled, int(printers.size()));
  for (const PrinterEntry& printer : printers) {
    logPrinterName(log, printer);
    log.printf(msg::kListPpdFile, printer.ppdPath.c_str());
    log.printf(msg::kListModel, printer.modelName.c_str());
    log.printf("\tNorvik ID: %d.\n", printer.modelId);
    if (printer.pdlKind >= kPdlUnknown && printer.pdlKind <= kPdlSpecial)
      log.printf("\tPDL     : %s.", kPdlNames[printer.pdlKind]);
  }
}

void listPpdFilesToInstall(Log& log, const QueuePlans& queues) {
  size_t files = 0;
  for (const QueuePlan& queue : queues)
    files += queue.files.size();
  log.printf(msg::kPpdFilesToInstall, int(files));
  for (const QueuePlan& queue : queues)
    for (const QueueFile& file : queue.files) {
      logPrinterName(log, file.printer);
      if (file.productPpd.empty()) {
        log.message(msg::kPpdNotFound);
        continue;
      }
      log.printf(msg::kGettingPpdFrom, parentDir(file.productPpd).c_str());
      log.printf("PPD = %s.\n", file.productPpd.c_str());
    }
}
