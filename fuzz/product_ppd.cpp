// The model read of a product PPD file (readPpdModel, through the CUPS
// file functions, plain or gzip-compressed): any bytes as the file.
#include <sys/mman.h>
#include <unistd.h>

#include <memory>

#include "fuzz_support.h"
#include "ppd/ppd_match.h"

namespace {

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModelMatcher matcher;
  int pdl = 0, id = 0;
  std::optional<std::string> model = readPpdModel(matcher, cupsInput(data, size).get(), pdl, id);
  if (model) {
    FUZZ_CHECK(isModelId(id) && pdl >= kPdlUnknown && pdl <= kPdlPxl);
    FUZZ_CHECK(model->empty() || (model->back() != '\n' && model->back() != '\r'));
  }
  return 0;
}
