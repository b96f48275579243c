// The information file of an earlier installation, read twice as the run
// reads it: its printer block (readInfoPrinters) and its first USRDIR line
// (findInstallation, pointed at the file by LUMOINFO).
#include <cstdlib>

#include "driver/run_settings.h"
#include "fuzz_support.h"
#include "install/installation.h"
#include "ppd/printer_list.h"

namespace {

void checkPrinterList(int found) {
  FUZZ_CHECK(found == 0 || found == 1);
  if (!found)
    return;
  int length = 1;
  for (PrinterEntry* e = printerList.next; e != &printerList; e = e->next, ++length)
    FUZZ_CHECK(e->next->prev == e && e->index == length);
  FUZZ_CHECK(printerCount == 0 ? length == 1 : printerCount == length);
  PrinterEntry* e = &printerList;
  for (int i = 0; i < printerCount; ++i, e = e->next)
    FUZZ_CHECK(e->queueName.size() <= kQueueNameMax &&
               e->queueName.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  run.installDir = workDir();
  setenv("LUMOINFO", workPath("lumoInfo4.0").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInput("lumoInfo4.0", data, size);
  checkPrinterList(readInfoPrinters(2, &printerList));
  initPrinterList(&printerList);

  std::string dir;
  int kind = 0;
  if (findInstallation(dir, kind)) {
    FUZZ_CHECK(kind == kInstallationFirst);  // LUMOINFO always gives the first kind
    FUZZ_CHECK(dir.size() < 255 && dir.find_first_of(" \n") == std::string::npos);
  } else {
    FUZZ_CHECK(kind == kInstallationNone && dir.empty());
  }
  return 0;
}
