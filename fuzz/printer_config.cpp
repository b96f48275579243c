// A printer's own configuration file and its version marker
// (updateConfigFile): any text as the file.  The rewrite passes through a
// temporary file in /tmp, as the run's does.
#include "fuzz_support.h"
#include "ppd/printer_config.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string path = writeInput("lumoConfig", text);
  FUZZ_CHECK(updateConfigFile(quietLog(), path, "Office"));
  std::string out = readWhole(path);

  // A line holding the old marker becomes the new marker line; every other
  // line stays as it was.
  if (text.find('\0') != std::string::npos)
    return 0;  // NUL bytes end the line texts as C strings
  FUZZ_CHECK(keepsLines(text, out));
  if (text.find("%%LUMO_VERSION_1.0") == std::string::npos)
    FUZZ_CHECK(out == text);
  return 0;
}
