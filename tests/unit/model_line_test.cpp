#include "ppd/model_line.h"

#include <gtest/gtest.h>

#include "ppd/printer_list.h"

namespace {

struct Parsed {
  std::optional<std::string> model;
  int pdlKind = -9;
  int modelId = -9;
};

Parsed parse(const std::string& line) {
  Parsed p;
  p.model = parseModelLine(line, p.pdlKind, p.modelId);
  return p;
}

TEST(ModelLine, PdlWordAtTheEndOfTheLineAsRead) {
  // Read with its line feed, with CR LF, and without a line end (the
  // closing character is then left out of the window).
  EXPECT_EQ(parse("*ModelName: \"Norvik LP 1200 PS\"\n").pdlKind, kPdlPostScript);
  EXPECT_EQ(parse("*ModelName: \"Norvik LP 1200 PCL\"\r\n").pdlKind, kPdlPcl);
  EXPECT_EQ(parse("*ModelName: \"Norvik LP 1200 PXL\"").pdlKind, kPdlPxl);
  // Without its quotes and line end the last character is cut off.
  EXPECT_EQ(parse("*ModelName: Norvik LP 1200 PS").pdlKind, kPdlUnknown);
  EXPECT_EQ(parse("*ModelName: Norvik LP 1200 PS!").pdlKind, kPdlPostScript);
  // Only the eight characters before the last one count.
  EXPECT_EQ(parse("*ModelName: \"Norvik LP 1200 PS Laser\"\n").pdlKind, kPdlUnknown);
  // " PCL" is searched first.
  EXPECT_EQ(pdlFromWindow(" PS PCL!"), kPdlPcl);
  EXPECT_EQ(pdlFromWindow(" PXL PS!"), kPdlPxl);
  EXPECT_EQ(pdlFromWindow("PS"), kPdlUnknown);
  EXPECT_EQ(pdlFromWindow(""), kPdlUnknown);
}

TEST(ModelLine, ModelTextAndIdentifierFromTheTableInItsOrder) {
  Parsed p = parse("*ModelName:   \"Norvik LP 1200 Duplex PXL\"\r\n");
  ASSERT_TRUE(p.model);
  EXPECT_EQ(*p.model, "\"Norvik LP 1200 Duplex PXL\"");
  EXPECT_EQ(p.modelId, 1);  // not 2, the row "Norvik LP 1200" further down
  EXPECT_EQ(p.pdlKind, kPdlPxl);

  p = parse("*ModelName: \"Norvik LP 1200 PS\"\n");
  ASSERT_TRUE(p.model);
  EXPECT_EQ(p.modelId, 2);
  // Two names share one identifier.
  EXPECT_EQ(parse("*ModelName: \"Norvik CP 5500n PS\"\n").modelId, 37);
  EXPECT_EQ(parse("*ModelName: \"Norvik Fleet 10 PCL\"\n").modelId, 326);
}

TEST(ModelLine, OtherLinesAndUnknownModels) {
  Parsed p = parse("*ModelName: \"Acme Laser 9 PS\"\n");
  EXPECT_FALSE(p.model);
  EXPECT_EQ(p.pdlKind, kPdlPostScript);  // set all the same
  EXPECT_EQ(p.modelId, -9);              // untouched
  p = parse("*NickName: \"Norvik LP 1200 PS\"\n");
  EXPECT_FALSE(p.model);
  EXPECT_EQ(p.pdlKind, -9);
  // A model line without a PDL word is still a model line.
  p = parse("*ModelName: \"Norvik LP 1200\"\n");
  ASSERT_TRUE(p.model);
  EXPECT_EQ(p.pdlKind, kPdlUnknown);
}

TEST(ModelLine, VersionLine) {
  EXPECT_EQ(readLumoVersion("*% Lumo version: 1\n"), 1);
  EXPECT_EQ(readLumoVersion("*% Lumo version:4"), 4);
  EXPECT_EQ(readLumoVersion("*% Lumo version:    12\n"), 1);  // the first digit only
  EXPECT_EQ(readLumoVersion("*% Lumo version: 0\n"), 0);
  EXPECT_EQ(readLumoVersion("*% Lumo version: \"4\"\n"), -1);
  EXPECT_EQ(readLumoVersion("*% Lumo version:\t4\n"), -1);  // only blanks are skipped
  EXPECT_EQ(readLumoVersion("*% Lumo version:"), -1);
  EXPECT_EQ(readLumoVersion("*% Lumo Version: 1\n"), -1);
  EXPECT_EQ(readLumoVersion("x *% Lumo version: 7 y\n"), 7);
}

}  // namespace
