// The information file of an earlier installation, read twice as the run
// reads it: its printer block (readInfoPrinters) and its first USRDIR line
// (readUsrdir, as findInstallation reads it).
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
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputStream in(data, size);
  PrinterList printers;
  checkPrinterList(readInfoPrinters(quietLog(), in.get(), printers), printers);

  std::rewind(in.get());
  std::string dir = "untouched";
  if (readUsrdir(in.get(), dir))
    FUZZ_CHECK(dir.size() < 255 && dir.find_first_of(" \n") == std::string::npos);
  else
    FUZZ_CHECK(dir == "untouched");
  return 0;
}
