// The spooler probe's readings of command output: the process listing
// that "ps -ef | grep <daemon>" leaves, searched for each daemon
// (findInListing), and the answer of lpd -V (lprngKind): any text as both.
// Process command lines are anyone's to choose.
#include "discovery/spooler.h"
#include "fuzz_support.h"

namespace {

void checkListing(const std::string& text, const char* name) {
  std::string word = "untouched";
  int found = findInListing(quietLog(), InputStream(text).get(), name, 0, &word);
  FUZZ_CHECK(found == 0 || found == 1);
  if (!found) {
    FUZZ_CHECK(word == "untouched");
    return;
  }
  // The word holding the name, to the end of its line: no grep line's.
  size_t at = word.find(name);
  FUZZ_CHECK(at != std::string::npos && word.find(' ') >= at);
  FUZZ_CHECK(word.size() <= 255 && word.find("grep") == std::string::npos);
  FUZZ_CHECK(text.find(word) != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"cupsd", "lpsched", "lpd"})
    checkListing(text, name);

  int kind = lprngKind(InputStream(text).get(), kSpoolerLpr);
  FUZZ_CHECK(kind == kSpoolerLpr || kind == kSpoolerLprng);
  if (text.find("LPRng") == std::string::npos)
    FUZZ_CHECK(kind == kSpoolerLpr);
  return 0;
}
