// The option carry-over filter (processNewPPD, readDefaultLine) with any
// option list and any new PPD text.  The input is the option list, one
// option a line as keyword, tab, choice (a line without a tab is a keyword
// with an empty choice), up to a line "--"; the rest is the PPD text.
// Without that line there are no options and the whole input is PPD text.
#include "base/log.h"
#include "fuzz_support.h"
#include "ppd/option_carry_over.h"

namespace {

// Fills the list from the option part; returns where the PPD text starts.
size_t readOptions(const std::string& input, OptionList& options) {
  size_t end = 0, ppdStart = 3;
  if (input.compare(0, 3, "--\n") != 0) {
    end = input.find("\n--\n");
    if (end == std::string::npos)
      return 0;
    ppdStart = end + 4;
  }
  for (size_t at = 0; at < end;) {
    size_t stop = input.find('\n', at);
    std::string line = input.substr(at, stop - at);
    size_t tab = line.find('\t');
    OptionEntry entry;
    entry.keyword = line.substr(0, tab);
    entry.choice = tab == std::string::npos ? "" : line.substr(tab + 1);
    entry.index = int(options.size()) + 1;
    options.push_back(entry);
    at = stop + 1;
  }
  return ppdStart;
}

std::string carryOver(const std::string& ppd, const OptionList& options) {
  OutputStream out;
  processNewPPD(quietLog(), InputStream(ppd).get(), out.get(), options);
  return out.text();
}

void checkDefaultLines(const std::string& ppd) {
  for (size_t at = 0; at < ppd.size();) {
    size_t stop = ppd.find('\n', at);
    std::string line = ppd.substr(at, stop == std::string::npos ? stop : stop + 1 - at);
    std::string value = "untouched";
    if (std::optional<std::string> keyword = readDefaultLine(line, value)) {
      FUZZ_CHECK((*keyword)[0] == '*' && keyword->size() <= kDefaultKeywordMax + 1);
      FUZZ_CHECK(value.size() <= kDefaultValueMax &&
                 value.find_first_of(" \r\n") == std::string::npos);
    }
    at = stop == std::string::npos ? ppd.size() : stop + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quietLog().setDebugLevel(1);  // the rewrite logs each keyword it sees
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  OptionList options;
  std::string ppd = input.substr(readOptions(input, options));
  std::string out = carryOver(ppd, options);
  checkDefaultLines(ppd);

  // Every line is copied or rewritten as one line; a rewritten last line
  // gains its line feed.  Text without default lines passes unchanged.
  if (ppd.find('\0') != std::string::npos)
    return 0;  // NUL bytes end the line texts as C strings
  FUZZ_CHECK(keepsLines(ppd, out));
  if (ppd.find("Default") == std::string::npos)
    FUZZ_CHECK(out == ppd);
  return 0;
}
