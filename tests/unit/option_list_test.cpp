#include "ppd/option_list.h"

#include <gtest/gtest.h>

#include "unit_support.h"

namespace {

const std::string kProductPpd = std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12dps.ppd";

std::string entries(OptionEntry* head) {
  std::string text;
  for (OptionEntry* e = head->next; e != head; e = e->next)
    text += std::to_string(e->index) + ":" + e->keyword + "/" + e->choice + " ";
  return text;
}

class OptionListTest : public ::testing::Test {
 protected:
  ~OptionListTest() override { clearOptList(&head); }
  void add(const std::string& keyword, const std::string& choice) {
    OptionEntry* e = new OptionEntry;
    e->keyword = keyword;
    e->choice = choice;
    e->index = ++count;
    addOptList(&head, e);
  }
  OptionEntry head;
  int count = 0;
  TempDir dir;
};

TEST_F(OptionListTest, RingFindAndClear) {
  EXPECT_EQ(findOption(&head, "*"), nullptr);  // the head is never a match
  add("PageSize", "A4");
  EXPECT_TRUE(head.next == head.prev && head.next->next == &head && head.next->prev == &head);
  add("PageSize", "Letter");
  EXPECT_EQ(findOption(&head, "*PageSize")->choice, "A4");  // the first along next
  EXPECT_EQ(findOption(&head, "PageSize"), nullptr);        // loses its P
  EXPECT_EQ(findOption(&head, "*pagesize"), nullptr);
  EXPECT_EQ(findOption(&head, ""), nullptr);
  EXPECT_EQ(findOption(nullptr, "*PageSize"), nullptr);
  EXPECT_EQ(clearOptList(&head), 0);
  EXPECT_TRUE(head.next == &head && head.prev == &head);
  EXPECT_EXIT(addOptList(nullptr, &head), ::testing::ExitedWithCode(1),
              "addOptList\\(NULL,...\\) Error!");
}

TEST_F(OptionListTest, CollectsDefaultsThatNameAChoice) {
  std::string text = readFile(kProductPpd);
  text.insert(text.find("*DefaultFont:"),
              "*OpenUI *Folding/Folding: PickOne\n*DefaultFolding: Half\n*Folding None/None: \"\"\n"
              "*CloseUI: *Folding\n");
  writeFile(dir.file("old.ppd"), text);
  EXPECT_EQ(collectDefaults(dir.file("old.ppd"), &head, count), 7);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(entries(&head),
            "1:PageSize/A4 2:PageRegion/A4 3:InputSlot/Auto 4:MediaType/Plain 5:Resolution/600dpi "
            "6:Duplex/None 7:Economode/Off ");
  clearOptList(&head);
  EXPECT_EQ(collectDefaults(kProductPpd, &head, count), 7);  // numbered from 1 again
  EXPECT_EQ(entries(&head).substr(0, 12), "1:PageSize/A");

  writeFile(dir.file("broken.ppd"), "not a PPD\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(collectDefaults(dir.file("broken.ppd"), &head, count), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open '" + dir.file("broken.ppd") + "' as a PPD file!\n");
  EXPECT_EQ(count, 7);
  EXPECT_FALSE(isReadablePpd(dir.file("broken.ppd")));
}

TEST_F(OptionListTest, KeepsOnlyChoicesTheNewPpdOffers) {
  TempLog log;
  add("PageSize", "Letter");
  add("InputSlot", "Tray3");
  add("Stapling", "On");
  EXPECT_EQ(keepOfferedChoices(kProductPpd, &head, count), 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(entries(&head), "1:PageSize/Letter ");
  EXPECT_NE(log.text().find("Option InputSlot/Tray3 is not offered by the new PPD: its own "
                            "default stays.\nOption Stapling/On is not offered"),
            std::string::npos) << log.text();
}

}  // namespace
