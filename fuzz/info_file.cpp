// The information file of an earlier installation, read twice as the run
// reads it: its printer block (readInfoPrinters) and its first USRDIR line
// (findInstallation, pointed at the file by LUMOINFO).
#include <cstdlib>

#include "fuzz_support.h"
#include "install/installation.h"
#include "ppd/printer_list.h"

namespace {

void checkPrinterList(bool found, const PrinterList& printers) {
  if (!found)
    FUZZ_CHECK(printers.empty());
  for (size_t i = 0; i < printers.size(); ++i)
    FUZZ_CHECK(printers[i].index == int(i) && printers[i].queueName.size() <= kQueueNameMax &&
               printers[i].queueName.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  setenv("LUMOINFO", workPath("lumoInfo4.0").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInput("lumoInfo4.0", data, size);
  PrinterList printers;
  checkPrinterList(readInfoPrinters(quietLog(), workDir(), 2, printers), printers);

  std::string dir;
  int kind = 0;
  if (findInstallation(quietLog(), dir, kind)) {
    FUZZ_CHECK(kind == kInstallationFirst);  // LUMOINFO always gives the first kind
    FUZZ_CHECK(dir.size() < 255 && dir.find_first_of(" \n") == std::string::npos);
  } else {
    FUZZ_CHECK(kind == kInstallationNone && dir.empty());
  }
  return 0;
}
