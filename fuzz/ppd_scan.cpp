// The scan of a CUPS queue's PPD file (scanCupsPrinters) and the search for
// the product PPD of the same model (readPpdModel, findPpdInDir): any text
// as the one PPD file in <cupsBaseDir>/etc/cups/ppd, which also serves as
// the product PPD directory.  A printer whose product PPD is not found
// there is also looked for in the product's fixed directory, read only.
#include "driver/run_settings.h"
#include "fuzz_support.h"
#include "ppd/ppd_locations.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_scan.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  makeWorkDir("etc/cups/ppd");
  run.cupsBaseDir = workDir();
  ppdInstallDir = workPath("etc/cups/ppd");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = writeInput("etc/cups/ppd/Office.ppd", data, size);
  int count = -1;
  int found = scanCupsPrinters(&printerList, count);
  FUZZ_CHECK(found == (count > 0 ? 1 : 0) && (count == 0 || count == 1));
  if (count == 1) {
    FUZZ_CHECK(printerList.queueName == "Office" && printerList.ppdPath == path);
    FUZZ_CHECK(isModelId(printerList.modelId));
    FUZZ_CHECK(printerList.pdlKind >= kPdlPostScript && printerList.pdlKind <= kPdlPxl);
  }
  initPrinterList(&printerList);

  int pdl = 0, id = 0;
  if (readPpdModel(path, pdl, id))
    FUZZ_CHECK(isModelId(id) && pdl >= kPdlUnknown && pdl <= kPdlPxl);
  return 0;
}
