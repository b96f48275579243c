// The installed-printer scan: the CUPS queues whose PPD file comes from
// this product generation (version line 1) for a model of the maker's
// table, gathered into the printer list and listed in the log.
#ifndef LUMO_PPD_PRINTER_SCAN_H
#define LUMO_PPD_PRINTER_SCAN_H

#include <string>

#include "ppd/printer_list.h"

// The CUPS PPD directory: "/etc/cups/ppd" under cupsBaseDir.
std::string cupsPpdDir();

// The scan's reading part: fills the list from the CUPS PPD directory and
// sets count to the number of queues accepted, without the listings.  False
// when the directory does not exist.
bool readCupsPrinters(PrinterEntry* head, int& count);

// readCupsPrinters, then both listings.  1 when count is above 0, else 0.
int scanCupsPrinters(PrinterEntry* head, int& count);

// "List of Norvik Printers installed" with each printer's details; trims
// the trailing line end and blanks of each modelName.
void listInstalledPrinters(PrinterEntry* head, int count);

// "List of Norvik PPD files to install": each printer's product PPD in dir
// or, failing that, in /opt/oxa/ppd.
void listPpdFilesToInstall(const std::string& dir, PrinterEntry* head, int count);

#endif
