// The CUPS start scripts' "prefix=" and "exec_prefix=" lines
// (prefixesFromScript) and the cupsd command path of a process line
// (cupsdPrefix): any text as the script, and as the one word.
#include "discovery/cups_dirs.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string untouched = "untouched";
  std::string prefix = untouched, execPrefix = untouched;
  int found = prefixesFromScript(InputStream(data, size).get(), prefix, execPrefix);
  FUZZ_CHECK(found == 0 || found == 1);
  if (!found)
    FUZZ_CHECK(prefix == untouched && execPrefix == untouched);
  for (const std::string* value : {&prefix, &execPrefix})
    FUZZ_CHECK(value->size() < 255 && value->find('\n') == std::string::npos);

  std::string word(reinterpret_cast<const char*>(data), size);
  if (std::optional<std::string> dir = cupsdPrefix(word))
    FUZZ_CHECK(word.compare(word[0] == ' ' ? 1 : 0, dir->size(), *dir) == 0);
  return 0;
}
