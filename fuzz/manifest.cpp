// The install manifest (getInfoData): any text as startDir/etc/LUMOINST.CONF.
#include "fuzz_support.h"
#include "install/manifest.h"

namespace {

bool isFieldText(const std::string& text) {
  for (char c : text)
    if ((unsigned char)c < 0x21 || (unsigned char)c > 0x7F)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  makeWorkDir("etc");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInput("etc/LUMOINST.CONF", data, size);
  Manifest manifest = getInfoData(quietLog(), workDir(), "LUMOINST.CONF");
  FUZZ_CHECK(manifest.size() <= size_t(kManifestMax));
  for (const ManifestEntry& entry : manifest) {
    FUZZ_CHECK(!entry.source.empty() && entry.source.size() <= kSourceMax);
    FUZZ_CHECK(isFieldText(entry.source) && isFieldText(entry.target));
    FUZZ_CHECK(entry.mode >= 0);
  }
  return 0;
}
