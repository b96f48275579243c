// A PPD file's model line and version line (parseModelLine,
// readLumoVersion, pdlFromWindow): any text as one line.
#include "fuzz_support.h"
#include "ppd/model_line.h"
#include "ppd/printer_list.h"

namespace {

bool isLinePdl(int pdl) {
  return pdl == kPdlUnknown || pdl == kPdlPostScript || pdl == kPdlPcl || pdl == kPdlPxl;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(isLinePdl(pdlFromWindow(line)));

  const int untouched = -7;
  int pdl = untouched, id = untouched;
  std::optional<std::string> model = parseModelLine(line, pdl, id);
  if (line.find("*ModelName:") == std::string::npos)
    FUZZ_CHECK(!model && pdl == untouched && id == untouched);
  else
    FUZZ_CHECK(isLinePdl(pdl));
  if (model) {
    FUZZ_CHECK(isModelId(id));
    FUZZ_CHECK(model->empty() || (model->back() != '\n' && model->back() != '\r'));
  }

  int version = readLumoVersion(line);
  FUZZ_CHECK(version >= -1 && version <= 9);
  return 0;
}
