#include "app/questions.h"

#include <cctype>
#include <cstring>

#include "base/catalogue.h"
#include "base/line_reader.h"

namespace {

const char* const kYesWords[] = {"yes", "oui", "ja", "si"};
const char* const kNoWords[] = {"no", "nein", "niente"};
const char* const kAllWords[] = {"all", "tou", "toda", "tut"};

template <size_t N>
bool containsWord(const std::string& line, const char* const (&words)[N]) {
  for (const char* word : words)
    if (strcasestr(line.c_str(), word))
      return true;
  return false;
}

char firstLetter(const std::string& line) {
  return line.empty() ? '\0' : char(std::toupper((unsigned char)line[0]));
}

// The word rules shared by both questions: yes words before no words.
int wordAnswer(const std::string& line) {
  if (containsWord(line, kYesWords))
    return kAnswerYes;
  if (containsWord(line, kNoWords))
    return kAnswerNo;
  return kAnswerUnknown;
}

int letterAnswer(char letter) {
  if (letter && std::strchr("OSY", letter))
    return kAnswerYes;
  if (letter == 'N')
    return kAnswerNo;
  return kAnswerUnknown;
}

int ask(const std::string& question, const char* help, int (*interpret)(const std::string&)) {
  std::fputs(question.c_str(), stdout);
  std::printf("\n%s ", help);
  std::fflush(stdout);
  std::string line;
  if (!readLine(stdin, line))
    return kAnswerUnknown;
  return interpret(line);
}

}  // namespace

bool readLine(std::FILE* in, std::string& line) {
  if (!readPiece(in, line))
    return false;
  while (line.size() > 1 && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  return true;
}

int readYesNo(const std::string& line) {
  int answer = wordAnswer(line);
  return answer != kAnswerUnknown ? answer : letterAnswer(firstLetter(line));
}

int readYesNoAllBreak(const std::string& line) {
  int answer = wordAnswer(line);
  if (answer != kAnswerUnknown)
    return answer;
  if (containsWord(line, kAllWords))
    return kAnswerAll;
  char letter = firstLetter(line);
  answer = letterAnswer(letter);
  if (answer != kAnswerUnknown)
    return answer;
  if (letter == 'T' || letter == 'A')
    return kAnswerAll;
  if (letter == 'B')
    return kAnswerBreak;
  return kAnswerUnknown;
}

int askYesNo(const std::string& question) {
  return ask(question, msg::kHelpYesNo, readYesNo);
}

int askYesNoAllBreak(const std::string& question) {
  return ask(question, msg::kHelpYesNoAllBreak, readYesNoAllBreak);
}
