#include "ppd/option_list.h"

#include <gtest/gtest.h>

#include "ppd/default_decisions.h"
#include "unit_support.h"

namespace {

const std::string kProductPpd = std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12dps.ppd";

std::string entries(const OptionList& options) {
  std::string text;
  for (const OptionEntry& e : options)
    text += std::to_string(e.index) + ":" + e.keyword + "/" + e.choice + " ";
  return text;
}

class OptionListTest : public ::testing::Test {
 protected:
  void add(const std::string& keyword, const std::string& choice) {
    options.push_back({keyword, choice, int(options.size()) + 1});
  }
  OptionList options;
  TempDir dir;
  std::optional<OfferedOptions> offered = readOfferedOptions(kProductPpd);
};

TEST_F(OptionListTest, FindByKeywordWithoutTheAsterisk) {
  EXPECT_EQ(findOption(options, "*"), nullptr);
  add("PageSize", "A4");
  add("PageSize", "Letter");
  const OptionEntry* found = findOption(options, "*PageSize");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->choice, "A4");  // the first in the list
  EXPECT_EQ(findOption(options, "PageSize"), nullptr);  // loses its P
  EXPECT_EQ(findOption(options, "*pagesize"), nullptr);
  EXPECT_EQ(findOption(options, ""), nullptr);
  EXPECT_EQ(findOption(OptionList(), "*PageSize"), nullptr);
}

TEST_F(OptionListTest, CollectsDefaultsThatNameAChoice) {
  std::string text = readFile(kProductPpd);
  text.insert(text.find("*DefaultFont:"),
              "*OpenUI *Folding/Folding: PickOne\n*DefaultFolding: Half\n*Folding None/None: \"\"\n"
              "*CloseUI: *Folding\n");
  writeFile(dir.file("old.ppd"), text);
  EXPECT_TRUE(collectDefaults(dir.file("old.ppd"), options));
  EXPECT_EQ(options.size(), 7u);
  EXPECT_EQ(entries(options),
            "1:PageSize/A4 2:PageRegion/A4 3:InputSlot/Auto 4:MediaType/Plain 5:Resolution/600dpi "
            "6:Duplex/None 7:Economode/Off ");
  EXPECT_TRUE(collectDefaults(kProductPpd, options));  // replaces the list, numbered from 1 again
  EXPECT_EQ(options.size(), 7u);
  EXPECT_EQ(entries(options).substr(0, 12), "1:PageSize/A");

  writeFile(dir.file("broken.ppd"), "not a PPD\n");
  std::string before = entries(options);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(collectDefaults(dir.file("broken.ppd"), options));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open '" + dir.file("broken.ppd") + "' as a PPD file!\n");
  EXPECT_EQ(entries(options), before);
  EXPECT_FALSE(readOfferedOptions(dir.file("broken.ppd")));
}

// Each decision with its kind and the new PPD's default: "PageSize/Letter
// carried Letter".
std::string decisions(const DefaultDecisions& all) {
  std::string text;
  for (const DefaultDecision& d : all)
    text += d.keyword + "/" + d.oldChoice + " " + defaultKindName(d.kind) + " " + d.newKeyword +
            "/" + d.newChoice + "\n";
  return text;
}

TEST_F(OptionListTest, CarriesOnlyChoicesTheNewPpdOffers) {
  add("PageSize", "Letter");
  add("InputSlot", "Tray3");
  add("Stapling", "On");
  DefaultDecisions decided = decideDefaults(options, *offered);
  EXPECT_EQ(decisions(decided),
            "PageSize/Letter carried PageSize/Letter\n"
            "InputSlot/Tray3 not-offered InputSlot/Auto\n"  // the new PPD's own stays
            "Stapling/On not-offered /\n");
  EXPECT_EQ(entries(carriedDefaults(decided)), "1:PageSize/Letter ");
}

// What is carried is what the new PPD offers, as CUPS matches it: written
// in the new PPD's own spelling, once per option; a JCL option's default
// is carried like any other.
TEST_F(OptionListTest, CarriesTheNewPpdsSpellingOncePerOptionJclIncluded) {
  add("inputslot", "tray1");
  add("MEDIATYPE", "THICK");
  add("MediaType", "Plain");
  add("EconoMode", "On");
  DefaultDecisions decided = decideDefaults(options, *offered);
  EXPECT_EQ(decisions(decided),
            "inputslot/tray1 carried InputSlot/Tray1\n"
            "MEDIATYPE/THICK carried MediaType/Thick\n"
            "MediaType/Plain repeated MediaType/Plain\n"
            "EconoMode/On carried Economode/On\n");
  EXPECT_EQ(entries(carriedDefaults(decided)),
            "1:InputSlot/Tray1 2:MediaType/Thick 3:Economode/On ");
  TempLog log;
  logDefaultsLeft(log, decided);
  EXPECT_EQ(log.text(), "Option MediaType/Plain is the new PPD's MediaType once more: passed over.\n");
}

}  // namespace
