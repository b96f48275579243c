// The scan of a CUPS queue's PPD file (scanCupsPrinters) and the search for
// the product PPD of the same model (readPpdModel, findPpdInDir): any text
// as the one PPD file in <cupsBaseDir>/etc/cups/ppd, which also serves as
// the product PPD directory.  A printer whose product PPD is not found
// there is also looked for in the product's fixed directory, read only.
#include "fuzz_support.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_scan.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  makeWorkDir("etc/cups/ppd");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = writeInput("etc/cups/ppd/Office.ppd", data, size);
  PrinterList printers;
  ProductPpdIndex index;
  bool found = scanCupsPrinters(quietLog(), index, workDir(), workPath("etc/cups/ppd"), printers);
  FUZZ_CHECK(found == !printers.empty() && printers.size() <= 1);
  if (found) {
    const PrinterEntry& printer = printers.front();
    FUZZ_CHECK(printer.queueName == "Office" && printer.ppdPath == path);
    FUZZ_CHECK(isModelId(printer.modelId));
    FUZZ_CHECK(printer.pdlKind >= kPdlPostScript && printer.pdlKind <= kPdlPxl);
  }

  ModelMatcher matcher;
  int pdl = 0, id = 0;
  if (readPpdModel(matcher, path, pdl, id))
    FUZZ_CHECK(isModelId(id) && pdl >= kPdlUnknown && pdl <= kPdlPxl);
  return 0;
}
