#include "ppd/option_list.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "unit_support.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

const std::string kProductPpd = std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12dps.ppd";

Pairs entries(OptionEntry* head) {
  Pairs result;
  int index = 1;
  for (OptionEntry* e = head->next; e != head; e = e->next, ++index) {
    EXPECT_EQ(e->index, index);
    EXPECT_EQ(e->next->prev, e);
    result.emplace_back(e->keyword, e->choice);
  }
  return result;
}

OptionEntry* entry(const std::string& keyword, const std::string& choice) {
  OptionEntry* e = new OptionEntry;
  e->keyword = keyword;
  e->choice = choice;
  return e;
}

// The product PPD with more options in front of its last line.
std::string productPpdWith(const std::string& options) {
  std::string text = readFile(kProductPpd);
  size_t at = text.find("*DefaultFont:");
  return text.insert(at, options);
}

std::string option(const std::string& keyword, const std::string& defaultChoice,
                   const std::vector<std::string>& choices) {
  std::string text = "*OpenUI *" + keyword + "/" + keyword + ": PickOne\n*OrderDependency: 30 AnySetup *" +
                     keyword + "\n*Default" + keyword + ": " + defaultChoice + "\n";
  for (const std::string& choice : choices)
    text += "*" + keyword + " " + choice + "/" + choice + ": \"\"\n";
  return text + "*CloseUI: *" + keyword + "\n";
}

class OptionListTest : public ::testing::Test {
 protected:
  ~OptionListTest() override { clearOptList(&head); }
  OptionEntry head;
  TempDir dir;
};

TEST_F(OptionListTest, RingFindAndClear) {
  EXPECT_EQ(findOption(&head, "*"), nullptr);  // the head is never a match
  addOptList(&head, entry("PageSize", "A4"));
  EXPECT_EQ(head.next, head.prev);
  EXPECT_EQ(head.next->next, &head);
  EXPECT_EQ(head.next->prev, &head);
  addOptList(&head, entry("Duplex", "None"));
  addOptList(&head, entry("PageSize", "Letter"));

  ASSERT_NE(findOption(&head, "*PageSize"), nullptr);
  EXPECT_EQ(findOption(&head, "*PageSize")->choice, "A4");  // the first along next
  EXPECT_EQ(findOption(&head, "*Duplex")->choice, "None");
  EXPECT_EQ(findOption(&head, "PageSize"), nullptr);  // loses its P
  EXPECT_EQ(findOption(&head, "*pagesize"), nullptr);
  EXPECT_EQ(findOption(&head, "*Page"), nullptr);
  EXPECT_EQ(findOption(&head, ""), nullptr);
  EXPECT_EQ(findOption(nullptr, "*PageSize"), nullptr);

  EXPECT_EQ(clearOptList(&head), 0);
  EXPECT_TRUE(head.next == &head && head.prev == &head);
  EXPECT_EQ(findOption(&head, "*PageSize"), nullptr);
}

TEST(OptionListDeath, AddWithoutHeadIsFatal) {
  OptionEntry e;
  EXPECT_EXIT(addOptList(nullptr, &e), ::testing::ExitedWithCode(1),
              "addOptList\\(NULL,...\\) Error!");
}

TEST_F(OptionListTest, DefaultsOfAProductPpd) {
  int count = -1;
  EXPECT_EQ(collectDefaults(kProductPpd, &head, count), 7);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(entries(&head), (Pairs{{"PageSize", "A4"},
                                   {"PageRegion", "A4"},
                                   {"InputSlot", "Auto"},
                                   {"MediaType", "Plain"},
                                   {"Resolution", "600dpi"},
                                   {"Duplex", "None"},
                                   {"Economode", "Off"}}));  // libcups' JCL group
  // Emptied, the list numbers from 1 again.
  clearOptList(&head);
  EXPECT_EQ(collectDefaults(kProductPpd, &head, count), 7);
  EXPECT_EQ(entries(&head).size(), 7u);
}

TEST_F(OptionListTest, ExistingChoicesOnly) {
  std::string ppd = dir.file("extra.ppd");
  writeFile(ppd, productPpdWith("*OpenGroup: Extra/Extra\n" +
                                option("Stapling", "On", {"Off", "On"}) +
                                option("Folding", "Half", {"None", "Tri"}) +
                                option("Binding", std::string(40, 'C'), {"Off", std::string(40, 'C')}) +
                                "*CloseGroup: Extra\n"));
  int count = 0;
  EXPECT_EQ(collectDefaults(ppd, &head, count), 9);
  EXPECT_EQ(count, 9);
  Pairs got = entries(&head);
  EXPECT_EQ(got[7], (std::pair<std::string, std::string>{"Stapling", "On"}));
  EXPECT_EQ(got[8], (std::pair<std::string, std::string>{"Binding", std::string(40, 'C')}));
  EXPECT_EQ(findOption(&head, "*Folding"), nullptr);  // its default is no choice of it
}

TEST_F(OptionListTest, NoEntryForOverLongNames) {
  // A choice name of 41 characters: no entry holds it (libcups refuses
  // such a file as a whole).
  std::string ppd = dir.file("long.ppd");
  writeFile(ppd, productPpdWith(option("Binding", std::string(41, 'C'), {"Off", std::string(41, 'C')})));
  int count = 5;
  testing::internal::CaptureStderr();
  collectDefaults(ppd, &head, count);
  testing::internal::GetCapturedStderr();
  for (OptionEntry* e = head.next; e != &head; e = e->next)
    EXPECT_LE(e->choice.size(), kOptionTextMax);
}

TEST_F(OptionListTest, UnreadablePpd) {
  std::string ppd = dir.file("broken.ppd");
  writeFile(ppd, "not a PPD\n");
  int count = 5;
  testing::internal::CaptureStderr();
  EXPECT_EQ(collectDefaults(ppd, &head, count), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open '" + ppd + "' as a PPD file!\n");
  EXPECT_EQ(count, 5);
  EXPECT_EQ(head.next, &head);
  EXPECT_FALSE(isReadablePpd(ppd));
  EXPECT_TRUE(isReadablePpd(kProductPpd));
}

TEST_F(OptionListTest, KeepOnlyChoicesTheNewPpdOffers) {
  TempLog log;
  addOptList(&head, entry("PageSize", "Letter"));
  addOptList(&head, entry("InputSlot", "Tray3"));
  addOptList(&head, entry("Stapling", "On"));
  addOptList(&head, entry("Resolution", "1200dpi"));
  int count = 4;
  EXPECT_EQ(keepOfferedChoices(kProductPpd, &head, count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(head.next->next->next, &head);
  EXPECT_EQ(head.prev->prev->prev, &head);
  EXPECT_NE(findOption(&head, "*PageSize"), nullptr);
  EXPECT_NE(findOption(&head, "*Resolution"), nullptr);
  EXPECT_NE(log.text().find("Option InputSlot/Tray3 is not offered by the new PPD: its own "
                            "default stays.\nOption Stapling/On is not offered"),
            std::string::npos) << log.text();

  std::string broken = dir.file("broken.ppd");
  writeFile(broken, "not a PPD\n");
  EXPECT_EQ(keepOfferedChoices(broken, &head, count), 0);
  EXPECT_EQ(count, 2);
}

}  // namespace
