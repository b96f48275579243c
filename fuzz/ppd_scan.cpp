// The scan of a CUPS queue's PPD file by its first lines (scanPpdStream, as
// scanCupsPrinters reads each file of <cupsBaseDir>/etc/cups/ppd) with the
// listing of the queue it accepts, and the model read of a product PPD
// (readPpdModel, through the CUPS file functions): any text as the file.
#include <sys/mman.h>
#include <unistd.h>

#include <memory>

#include "fuzz_support.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_scan.h"

namespace {

const char kPpdName[] = "Office.ppd";
const char kPpdPath[] = "/etc/cups/ppd/Office.ppd";

struct CupsFileCloser {
  void operator()(cups_file_t* file) const { cupsFileClose(file); }
};
using CupsFile = std::unique_ptr<cups_file_t, CupsFileCloser>;

// A CUPS file reading the bytes.  The CUPS file functions read only from
// descriptors, so the bytes go into one anonymous memory file kept for the
// whole run, which each input overwrites.
CupsFile cupsInput(const uint8_t* data, size_t size) {
  static const int memory = memfd_create("ppd", MFD_CLOEXEC);
  FUZZ_CHECK(memory >= 0 && ftruncate(memory, 0) == 0);
  FUZZ_CHECK(pwrite(memory, data, size, 0) == ssize_t(size));
  FUZZ_CHECK(lseek(memory, 0, SEEK_SET) == 0);
  CupsFile file(cupsFileOpenFd(dup(memory), "r"));  // the CUPS file closes its copy
  FUZZ_CHECK(file);
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PrinterList printers;
  ModelMatcher matcher;
  scanPpdStream(quietLog(), matcher, InputStream(data, size).get(), kPpdPath, kPpdName, printers);
  FUZZ_CHECK(printers.size() <= 1);
  listInstalledPrinters(quietLog(), printers);
  if (!printers.empty()) {
    const PrinterEntry& printer = printers.front();
    FUZZ_CHECK(printer.queueName == "Office" && printer.ppdPath == kPpdPath);
    FUZZ_CHECK(isModelId(printer.modelId));
    FUZZ_CHECK(printer.pdlKind >= kPdlPostScript && printer.pdlKind <= kPdlPxl);
    const std::string& model = printer.modelName;
    FUZZ_CHECK(model.empty() || std::string(" \r\n").find(model.back()) == std::string::npos);
  }

  int pdl = 0, id = 0;
  if (readPpdModel(matcher, cupsInput(data, size).get(), pdl, id))
    FUZZ_CHECK(isModelId(id) && pdl >= kPdlUnknown && pdl <= kPdlPxl);
  return 0;
}
