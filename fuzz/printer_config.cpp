// A printer's own configuration file and its version marker
// (copyWithNewMarker, the rewrite of updateConfigFile): any text as the
// file.
#include "fuzz_support.h"
#include "ppd/printer_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  OutputStream rewritten;
  FUZZ_CHECK(copyWithNewMarker(InputStream(text).get(), rewritten.get()));
  std::string out = rewritten.text();

  // A line holding the old marker becomes the new marker line; every other
  // line stays as it was.
  if (text.find('\0') != std::string::npos)
    return 0;  // NUL bytes end the line texts as C strings
  FUZZ_CHECK(keepsLines(text, out));
  if (text.find("%%LUMO_VERSION_1.0") == std::string::npos)
    FUZZ_CHECK(out == text);
  return 0;
}
