// The printer update: each printer that the installed-printer scan found
// gets the product's newer PPD for its model, with the defaults its old PPD
// had chosen carried over; CUPS is restarted at the end.
#ifndef LUMO_PPD_PRINTER_UPDATE_H
#define LUMO_PPD_PRINTER_UPDATE_H

#include <string>

#include "ppd/option_list.h"
#include "ppd/printer_list.h"

// Updates `count` printers from the head along next, asking before each
// when `ask` is not 0 (yes, no, all, break).  0 when the option list
// cannot be set up, else 1.
int updatePrinters(const std::string& ppdDir, PrinterEntry* head, int count, int ask);

// Writes the printer's rewritten product PPD into a new temporary file
// whose name goes into newName.  1 when that file is complete and readable
// as a PPD; 0 (newName empty, no temporary file left) otherwise, the reason
// logged.
int installNewPPD(const std::string& ppdDir, OptionEntry* head, int count,
                  const PrinterEntry& printer, std::string& newName);

// The backup name of a queue's PPD: the path up to the slash before its
// first "/ppd" (or the whole path), the queue name and ".ppd.rpmsave".
std::string backupName(const std::string& ppdPath, const std::string& queueName);

// Copies the PPD to its backup name, whole or not at all, and logs
// "saving %s to %s: result=%d"; 1 when the copy was made.
int backupPPD(const std::string& ppdPath, const std::string& queueName);

// Puts the rewritten PPD in the place of the printer's PPD, whole or not
// at all, keeping the PPD's owner, group and permission bits, and logs
// "Copying %s to %s: result=%d"; 1 done, else 0 (the printer's PPD as it
// was).
int replacePPD(const std::string& ppdPath, const std::string& newName);

#endif
