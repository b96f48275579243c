#include "app/questions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

struct Case {
  const char* line;
  int answer;
};

TEST(Questions, YesNoRules) {
  const Case cases[] = {
      {"Yes", 1},  {"YES", 1},     {"y", 1},      {"oui", 1},   {"Ja", 1},      {"si", 1},
      {"o", 1},    {"s", 1},       {"n", 0},      {"No", 0},    {"non", 0},     {"nein", 0},
      {"niente", 0}, {"jamais", 1}, {"sino", 1},  {"nothing", 0}, {"x", -1},    {"\n", -1},
      {" y", -1},  {" yes", 1},    {"", -1},      {"all", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(readYesNo(c.line), c.answer) << "answer '" << c.line << "'";
}

TEST(Questions, YesNoAllBreakRules) {
  const Case cases[] = {
      {"all", 2},   {"a", 2},     {"toutes", 2}, {"todas", 2}, {"tutti", 2}, {"t", 2},
      {"break", 3}, {"b", 3},     {"yes", 1},    {"no", 0},    {"Y", 1},     {"N", 0},
      {"x", -1},    {"\n", -1},   {" b", -1},    {"ball", 2},  {"A", 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(readYesNoAllBreak(c.line), c.answer) << "answer '" << c.line << "'";
}

std::string readFrom(const char* input, std::string* second = nullptr) {
  FILE* in = fmemopen(const_cast<char*>(input), std::strlen(input), "r");
  std::string line = "unset";
  EXPECT_TRUE(readLine(in, line));
  if (second) {
    EXPECT_TRUE(readLine(in, *second));
  }
  std::fclose(in);
  return line;
}

TEST(Questions, ReadLineStripsLineEndButNeverFirstCharacter) {
  EXPECT_EQ(readFrom("yes\r\n"), "yes");
  EXPECT_EQ(readFrom("\n"), "\n");
  EXPECT_EQ(readFrom("\r\n"), "\r");
  EXPECT_EQ(readFrom("no"), "no");
}

TEST(Questions, LongAnswerIsReadIn255CharacterPieces) {
  std::string input(300, 'x');
  input += "\nyes\n";
  std::string rest;
  std::string first = readFrom(input.c_str(), &rest);
  EXPECT_EQ(first.size(), 255u);
  EXPECT_EQ(rest, std::string(45, 'x'));
}

TEST(Questions, EndOfInputGivesNoLine) {
  FILE* in = fmemopen(const_cast<char*>(""), 0, "r");
  std::string line;
  EXPECT_FALSE(readLine(in, line));
  std::fclose(in);
}

}  // namespace
