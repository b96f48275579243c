// The installed-printer scan: the CUPS queues whose PPD file comes from
// this product generation (version line 1) for a model of the maker's
// table, gathered into the printer list and listed in the log.
#ifndef LUMO_PPD_PRINTER_SCAN_H
#define LUMO_PPD_PRINTER_SCAN_H

#include <cstdio>
#include <string>

#include "ppd/ppd_match.h"
#include "ppd/printer_list.h"
#include "ppd/queue_plan.h"

class Log;

// The CUPS PPD directory: "/etc/cups/ppd" under cupsBaseDir.
std::string cupsPpdDir(const std::string& cupsBaseDir);

// The version lines of the maker's older PPD files and of the product's.
inline constexpr int kOldPpdVersion = 1;
inline constexpr int kProductPpdVersion = 4;

// Replaces the list by the accepted queues of the CUPS PPD directory:
// queues on a PPD of the maker's with the given version line (by default
// the older one), their model texts without trailing line ends and blanks;
// what a killed run staged there is passed over.  False when the directory
// does not exist.
bool readCupsPrinters(Log& log, const std::string& cupsBaseDir, PrinterList& printers,
                      int version = kOldPpdVersion);

// Examines one PPD file of the CUPS PPD directory, open as `in`, by its
// first lines, and adds it to the list when it is accepted (a PPD of the
// maker's with that version line), as the queue named by its file name up
// to ".ppd" (name; path is the file's).
void scanPpdStream(Log& log, ModelMatcher& matcher, FILE* in, const std::string& path,
                   const std::string& name, int version, PrinterList& printers);

// Whether the scheduler has a queue of that name: its PPD file, or its
// block in printers.conf (a queue without a PPD has none).
bool isServerQueue(const std::string& cupsBaseDir, const std::string& name);

// "List of Norvik Printers installed" with each printer's details.
void listInstalledPrinters(Log& log, const PrinterList& printers);

// "List of Norvik PPD files to install": the product PPD the plan gives
// each queue's file.
void listPpdFilesToInstall(Log& log, const QueuePlans& queues);

#endif
