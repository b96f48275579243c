// The answer rules (readLine, readYesNo, readYesNoAllBreak): any typed
// input, read line by line as the questions read it, and as one text.
#include "app/questions.h"
#include "fuzz_support.h"

namespace {

void checkAnswers(const std::string& line) {
  int yesNo = readYesNo(line);
  FUZZ_CHECK(yesNo == kAnswerUnknown || yesNo == kAnswerNo || yesNo == kAnswerYes);
  int any = readYesNoAllBreak(line);
  FUZZ_CHECK(any >= kAnswerUnknown && any <= kAnswerBreak);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  checkAnswers(text);

  InputStream in(text);
  std::string line;
  while (readLine(in.get(), line)) {
    FUZZ_CHECK(line.size() <= 255);
    FUZZ_CHECK(line.size() <= 1 || (line.back() != '\n' && line.back() != '\r'));
    checkAnswers(line);
  }
  return 0;
}
