#include "ppd/option_carry_over.h"

#include <gtest/gtest.h>

#include "unit_support.h"

namespace {

class CarryOver : public ::testing::Test {
 protected:
  void option(const std::string& keyword, const std::string& choice) {
    options.push_back({keyword, choice, int(options.size()) + 1});
  }
  std::string carry(const std::string& input) {
    writeFile(dir.file("in.ppd"), input);
    FILE* in = std::fopen(dir.file("in.ppd").c_str(), "r");
    FILE* out = std::fopen(dir.file("out.ppd").c_str(), "w");
    processNewPPD(log, in, out, options);
    std::fclose(in);
    std::fclose(out);
    return readFile(dir.file("out.ppd"));
  }
  // What becomes of one line inside a user-interface block.
  std::string inBlock(const std::string& line) {
    std::string out = carry("*OpenUI *X/X: PickOne\n" + line + "*CloseUI: *X\n");
    size_t from = out.find('\n') + 1;
    return out.substr(from, out.rfind("*CloseUI") - from);
  }
  OptionList options;
  TempDir dir;
  TempLog log;
};

TEST_F(CarryOver, WorkedExample) {
  option("PageSize", "Letter");
  option("ImageableArea", "Letter");  // outside any block: not used
  std::string out = carry(
      "*DefaultImageableArea: A4\n"
      "*OpenUI *PageSize/Page Size: PickOne\n"
      "*OrderDependency: 10 AnySetup *PageSize\n"
      "*DefaultPageSize: A4\n"
      "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
      "*CloseUI: *PageSize\n"
      "*OpenUI *Duplex/Duplex: PickOne\n"
      "*DefaultDuplex:   None\n"
      "*CloseUI: *Duplex\n");
  EXPECT_EQ(out,
            "*DefaultImageableArea: A4\n"
            "*OpenUI *PageSize/Page Size: PickOne\n"
            "*OrderDependency: 10 AnySetup *PageSize\n"
            "*DefaultPageSize: Letter\n"
            "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
            "*CloseUI: *PageSize\n"
            "*OpenUI *Duplex/Duplex: PickOne\n"
            "*DefaultDuplex: None\n"
            "*CloseUI: *Duplex\n");
  std::string text = log.text();
  EXPECT_NE(text.find("processNewPPD(nOptions=2)\n"
                      "processNewPPD: Setting new option: *PageSize/Letter.\n"),
            std::string::npos) << text;
  EXPECT_EQ(text.find("ImageableArea/"), std::string::npos);
  EXPECT_EQ(text.find("processNewPPD(*"), std::string::npos);  // only when debugging
  log.setDebugLevel(1);
  EXPECT_EQ(inBlock("*DefaultPageSize: A4\n"), "*DefaultPageSize: Letter\n");
  EXPECT_NE(log.text().find("processNewPPD(*PageSize).\n"), std::string::npos);
}

TEST_F(CarryOver, JclBlocksAreCarriedOverColorSepIsNot) {
  option("Economode", "On");
  option("ColorSep", "ProcessBlack.CMYK");
  const std::string colorSep =
      "*OpenUI *ColorSep/Separation: PickOne\n"
      "*DefaultColorSep: ProcessCyan.CMYK\n"
      "*CloseUI: *ColorSep\n";
  EXPECT_EQ(carry("*JCLOpenUI *Economode/Toner Saving: PickOne\n"
                  "*DefaultEconomode:  Off\n"
                  "*JCLCloseUI: *Economode\n" + colorSep),
            "*JCLOpenUI *Economode/Toner Saving: PickOne\n"
            "*DefaultEconomode: On\n"
            "*JCLCloseUI: *Economode\n" + colorSep);
}

TEST_F(CarryOver, DefaultLinesOutsideBlocksStayAsTheyAre) {
  option("Economode", "On");
  // "*JCLCloseUI" ends a block, whichever line opened it; an opening line
  // inside a block is just another line.
  std::string input =
      "*DefaultEconomode: Off\n"
      "*JCLOpenUI *Economode/Toner Saving: PickOne\n"
      "*JCLCloseUI: *Economode\n"
      "*DefaultEconomode: Off\n"
      "*OpenUI *X/X: PickOne\n"
      "*% a second *JCLOpenUI inside the block\n"
      "*JCLCloseUI: *X\n"
      "*DefaultEconomode: Off\n"
      "*CloseUI: *X\n"
      "*DefaultEconomode: Off\n";
  EXPECT_EQ(carry(input), input);
}

TEST_F(CarryOver, DefaultLinesWrittenInOneForm) {
  // With no entry each line keeps its own first value.
  EXPECT_EQ(inBlock("*DefaultResolution: 600dpi  % the usual\n"), "*DefaultResolution: 600dpi\n");
  EXPECT_EQ(inBlock("*DefaultDuplex: None\r\n"), "*DefaultDuplex: None\n");
  EXPECT_EQ(inBlock("*DefaultFoo:\n"), "*DefaultFoo: \n");
  EXPECT_EQ(inBlock("*% was *DefaultFoo: Bar\n"), "*DefaultFoo: Bar\n");
  EXPECT_EQ(inBlock("*DefaultQ:\tHigh\n"), "*DefaultQ: \tHigh\n");  // only blanks are skipped
  EXPECT_EQ(carry("*OpenUI *X/X: PickOne\n*DefaultX: Y"), "*OpenUI *X/X: PickOne\n*DefaultX: Y\n");
}

TEST_F(CarryOver, OverLongAndUnfinishedLinesAreCopied) {
  option(std::string(78, 'K'), "Z");
  EXPECT_EQ(inBlock("*Default" + std::string(78, 'K') + ": A\n"),
            "*Default" + std::string(78, 'K') + ": Z\n");
  EXPECT_EQ(inBlock("*DefaultV: " + std::string(79, 'v') + "\r\n"),
            "*DefaultV: " + std::string(79, 'v') + "\n");
  for (std::string line : {"*Default" + std::string(79, 'K') + ": A\n",
                           "*DefaultV: " + std::string(80, 'v') + "\n", std::string("*DefaultX\n"),
                           "*DefaultLong: A %" + std::string(300, 'c') + " *DefaultLong: B\n"})
    EXPECT_EQ(inBlock(line), line);
}

TEST_F(CarryOver, ANulByteEndsTheTextOfItsLine) {
  using namespace std::string_literals;
  option("X", "B");
  EXPECT_EQ(carry("\0\n"s), "");
  EXPECT_EQ(carry("*OpenUI *X/X: PickOne\n*DefaultX: A\n\0tail\n*CloseUI: *X\n"s),
            "*OpenUI *X/X: PickOne\n*DefaultX: B\n*CloseUI: *X\n");
}

}  // namespace
