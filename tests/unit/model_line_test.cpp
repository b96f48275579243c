#include "ppd/model_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "ppd/model_table.h"
#include "ppd/printer_list.h"

namespace {

TEST(ModelLine, PdlWordInTheWindowBeforeTheLastCharacter) {
  int pdl = -9, id = -9;
  parseModelLine("*ModelName: \"Norvik LP 1200 PS\"\n", pdl, id);
  EXPECT_EQ(pdl, kPdlPostScript);
  parseModelLine("*ModelName: \"Norvik LP 1200 PCL\"\r\n", pdl, id);
  EXPECT_EQ(pdl, kPdlPcl);
  parseModelLine("*ModelName: \"Norvik LP 1200 PXL\"", pdl, id);  // read without its line end
  EXPECT_EQ(pdl, kPdlPxl);
  parseModelLine("*ModelName: Norvik LP 1200 PS", pdl, id);  // the S is the last character
  EXPECT_EQ(pdl, kPdlUnknown);
  parseModelLine("*ModelName: \"Norvik LP 1200 PS Laser\"\n", pdl, id);
  EXPECT_EQ(pdl, kPdlUnknown);
  EXPECT_EQ(pdlFromWindow(" PS PCL!"), kPdlPcl);  // " PCL" is searched first
  EXPECT_EQ(pdlFromWindow(" PXL PS!"), kPdlPxl);
}

TEST(ModelLine, FirstTableRowThatOccursInTheModelText) {
  int pdl = -9, id = -9;
  std::optional<std::string> model =
      parseModelLine("*ModelName:   \"Norvik LP 1200 Duplex PXL\"\r\n", pdl, id);
  ASSERT_TRUE(model);
  EXPECT_EQ(*model, "\"Norvik LP 1200 Duplex PXL\"");
  EXPECT_EQ(id, 1);  // not 2, the row "Norvik LP 1200" further down
  parseModelLine("*ModelName: \"Norvik CP 5500n PS\"\n", pdl, id);
  EXPECT_EQ(id, 37);  // shared by two names
  id = -9;
  EXPECT_FALSE(parseModelLine("*ModelName: \"Acme Laser 9 PCL\"\n", pdl, id));
  EXPECT_EQ(pdl, kPdlPcl);  // set all the same
  EXPECT_EQ(id, -9);
  EXPECT_FALSE(parseModelLine("*NickName: \"Norvik LP 1200 PS\"\n", pdl, id));

  // A model text seen before gives the same answer from the matcher's
  // memory, whatever came between.
  ModelMatcher matcher;
  for (int round = 0; round < 2; ++round) {
    EXPECT_FALSE(matcher.parse("*ModelName: \"Acme Laser 9 PCL\"\n", pdl, id));
    EXPECT_EQ(id, -9);
    std::optional<std::string> known =
        matcher.parse("*ModelName: \"Norvik LP 1200 PS\"\n", pdl, id);
    ASSERT_TRUE(known);
    EXPECT_EQ(*known, "\"Norvik LP 1200 PS\"");
    EXPECT_EQ(id, 2);
    EXPECT_EQ(pdl, kPdlPostScript);
    id = -9;
  }
}

// The table's answer as it is defined: the first row whose name occurs.
int firstRowOccurring(const std::string& text) {
  for (int i = 0; i < kModelCount; ++i)
    if (text.find(kModelTable[i].name) != std::string::npos)
      return kModelTable[i].id;
  return 0;
}

// The sorted names are the table's, each with its own row, and the search
// through them gives the table's answer: for every name alone, cut short
// or run on, and for texts pieced from several names' beginnings and ends.
TEST(ModelLine, SortedSearchGivesTheTableOrdersAnswer) {
  const ModelName* sorted = kModelNamesSorted;
  ASSERT_TRUE(std::is_sorted(sorted, sorted + kModelCount,
                             [](const ModelName& a, const ModelName& b) { return a.name < b.name; }));
  for (int i = 0; i < kModelCount; ++i)
    ASSERT_EQ(sorted[i].name, kModelTable[sorted[i].row].name);

  std::mt19937 random(7);
  auto name = [&] { return std::string(kModelTable[random() % kModelCount].name); };
  auto piece = [&](const std::string& text) { return text.substr(0, random() % (text.size() + 1)); };
  auto tail = [&](const std::string& text) { return text.substr(random() % (text.size() + 1)); };
  std::vector<std::string> texts;
  for (int i = 0; i < kModelCount; ++i) {
    std::string whole(kModelTable[i].name);
    texts.insert(texts.end(), {whole, "\"" + whole + " PS\"", whole.substr(0, whole.size() - 1),
                               "x" + whole + "x"});
  }
  for (int round = 0; round < 20000; ++round)
    texts.push_back(piece(name()) + tail(name()) + piece(name()) + " " + name().substr(0, 8));
  for (const std::string& text : texts) {
    int pdl = 0, id = 0;
    std::optional<std::string> model = parseModelLine("*ModelName: " + text, pdl, id);
    ASSERT_EQ(model ? id : 0, firstRowOccurring(text)) << text;
  }
}

TEST(ModelLine, VersionLine) {
  EXPECT_EQ(readLumoVersion("*% Lumo version: 1\n"), 1);
  EXPECT_EQ(readLumoVersion("*% Lumo version:    12\n"), 1);  // the first digit only
  EXPECT_EQ(readLumoVersion("*% Lumo version:4"), 4);
  EXPECT_EQ(readLumoVersion("*% Lumo version: \"4\"\n"), -1);
  EXPECT_EQ(readLumoVersion("*% Lumo version:\t4\n"), -1);  // only blanks are skipped
  EXPECT_EQ(readLumoVersion("*% Lumo version:"), -1);
  EXPECT_EQ(readLumoVersion("*% Lumo Version: 1\n"), -1);
}

}  // namespace
