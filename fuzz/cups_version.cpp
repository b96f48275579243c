// The CUPS version sources: the server's reply header (versionFromReply,
// headerVersion) and the lines of cups-config and the CUPS files
// (versionFromFile with each source's line, and the digit rule
// versionDigits): any text as the reply or the file.
#include "discovery/cups_version.h"
#include "fuzz_support.h"

namespace {

void checkNormalised(int version) {
  if (version > 0) {
    int scaled = normaliseVersion(version);
    FUZZ_CHECK(scaled >= 1000 && scaled <= 9999);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputStream in(data, size);
  int header = versionFromReply(in.get());
  FUZZ_CHECK(header >= 0);
  checkNormalised(header);

  for (const VersionLine* where :
       {&kFirstLine, &kPrintersConfLine, &kIndexTitleLine, &kTestPagePsLine, &kTestPageLine}) {
    std::rewind(in.get());
    std::string line = "untouched";
    int version = versionFromFile(in.get(), *where, &line);
    FUZZ_CHECK(version >= -1);
    FUZZ_CHECK(line.size() <= 255);
    checkNormalised(version);
  }

  std::string text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(headerVersion(text.c_str()) >= 0);
  int digits = versionDigits(text.c_str());
  FUZZ_CHECK(digits >= -1);
  checkNormalised(digits);
  return 0;
}
