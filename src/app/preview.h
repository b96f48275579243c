// The preview (-n): what a run would do, on standard output, found without
// changing anything.
#ifndef LUMO_APP_PREVIEW_H
#define LUMO_APP_PREVIEW_H

#include <cstdio>

#include "discovery/context.h"
#include "install/installation.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_list.h"

// An installing run: the product PPD directory, the manifest's files with
// their destinations and modes, and each queue of the maker's older PPDs
// with the PPD it would get and the fate of each of its defaults.
void previewInstall(FILE* out, Context& run, const Installation& installation,
                    ProductPpdIndex& index, const PrinterList& printers);

// A removing run: the queues, files and directories it would delete.
void previewRemoval(FILE* out, Log& log, const Installation& installation,
                    const PrinterList& printers);

#endif
