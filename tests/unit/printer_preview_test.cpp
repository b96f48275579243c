#include "ppd/printer_preview.h"

#include <gtest/gtest.h>

#include "unit_support.h"

namespace {

TEST(PrinterPreview, TellsTheNewPpdAndEachDefaultsFate) {
  TempLog log;
  TempDir dir;
  std::string text = readFile(std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12dps.ppd");
  for (auto [from, to] : {std::pair<std::string, std::string>{"*DefaultPageSize: A4",
                                                              "*DefaultPageSize: Letter"},
                          {"*DefaultInputSlot: Auto", "*DefaultInputSlot: Tray3\n"
                                                      "*InputSlot Tray3/Tray 3: \"\""}})
    text.replace(text.find(from), from.size(), to);
  writeFile(dir.file("Office.ppd"), text);
  PrinterEntry printer;
  printer.queueName = "Office";
  printer.ppdPath = dir.file("Office.ppd");
  printer.modelName = "\"Norvik LP 1200 Duplex PS\"";
  printer.modelId = 1;
  printer.pdlKind = kPdlPostScript;
  ProductPpdIndex index;

  PrinterPreview preview = previewPrinter(log, index, LUMO_PRODUCT_PPD_DIR, printer);
  EXPECT_EQ(preview.productPpd, std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12dps.ppd");
  std::string fates;
  for (const OptionPreview& option : preview.options)
    fates += option.keyword + "=" + option.choice + (option.carried ? ">" : "!") +
             option.newChoice + " ";
  EXPECT_NE(fates.find("PageSize=Letter>Letter "), std::string::npos) << fates;
  EXPECT_NE(fates.find("InputSlot=Tray3!Auto "), std::string::npos) << fates;
  EXPECT_NE(fates.find("Economode=Off!Off "), std::string::npos) << fates;  // a JCL option

  printer.modelId = 3;  // a model the product has no PPD for
  EXPECT_TRUE(previewPrinter(log, index, LUMO_PRODUCT_PPD_DIR, printer).productPpd.empty());
}

}  // namespace
