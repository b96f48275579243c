// What the printer update would do to a printer, found without changing
// anything: the product PPD it would get and, per default of its old PPD,
// whether the new PPD takes it.
#ifndef LUMO_PPD_PRINTER_PREVIEW_H
#define LUMO_PPD_PRINTER_PREVIEW_H

#include <string>
#include <vector>

#include "ppd/ppd_match.h"
#include "ppd/printer_list.h"

class Log;

struct OptionPreview {
  std::string keyword;    // as the old PPD names it
  std::string choice;     // the old PPD's default
  bool carried = false;   // the new PPD takes it
  std::string newChoice;  // what the new PPD will say: the carried choice in
                          // its own spelling, else its own default (empty
                          // when it has no such option)
};

struct PrinterPreview {
  std::string productPpd;  // empty when there is none for the model
  std::vector<OptionPreview> options;
};

PrinterPreview previewPrinter(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                              const PrinterEntry& printer);

#endif
