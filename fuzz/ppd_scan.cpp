// The scan of a CUPS queue's PPD file by its first lines (scanPpdStream, as
// scanCupsPrinters reads each file of <cupsBaseDir>/etc/cups/ppd) with the
// listing of the queue it accepts: any text as the file.  The product PPD's
// model read has a target of its own (product_ppd).
#include "fuzz_support.h"
#include "ppd/printer_scan.h"

namespace {

const char kPpdName[] = "Office.ppd";
const char kPpdPath[] = "/etc/cups/ppd/Office.ppd";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PrinterList printers;
  ModelMatcher matcher;
  scanPpdStream(quietLog(), matcher, InputStream(data, size).get(), kPpdPath, kPpdName,
                kOldPpdVersion, printers);
  FUZZ_CHECK(printers.size() <= 1);
  listInstalledPrinters(quietLog(), printers);
  if (printers.empty())
    return 0;
  const PrinterEntry& printer = printers.front();
  FUZZ_CHECK(printer.queueName == "Office" && printer.ppdPath == kPpdPath);
  FUZZ_CHECK(isModelId(printer.modelId));
  FUZZ_CHECK(printer.pdlKind >= kPdlPostScript && printer.pdlKind <= kPdlPxl);
  const std::string& model = printer.modelName;
  FUZZ_CHECK(model.empty() || std::string(" \r\n").find(model.back()) == std::string::npos);
  return 0;
}
