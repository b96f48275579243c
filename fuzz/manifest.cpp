// The install manifest (readManifest, as getInfoData reads it): any text as
// the manifest.
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
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Manifest manifest = readManifest(quietLog(), InputStream(data, size).get());
  FUZZ_CHECK(manifest.size() <= size_t(kManifestMax));
  for (const ManifestEntry& entry : manifest) {
    FUZZ_CHECK(!entry.source.empty() && entry.source.size() <= kSourceMax);
    FUZZ_CHECK(isFieldText(entry.source) && isFieldText(entry.target));
    FUZZ_CHECK(entry.mode >= 0);
  }
  return 0;
}
