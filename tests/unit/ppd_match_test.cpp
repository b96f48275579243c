#include "ppd/ppd_match.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "unit_support.h"

namespace {

const std::string kProducts = LUMO_PRODUCT_PPD_DIR;

std::string find(const std::string& model, int pdlKind, int modelId) {
  std::string path;
  if (!findPpdInDir(kProducts, model, pdlKind, modelId, path))
    return path.empty() ? "none" : "set without a match";
  return path.substr(kProducts.size() + 1);
}

TEST(PpdMatch, SameModelIdentifierAndLanguage) {
  EXPECT_EQ(find("\"Norvik LP 1200 Duplex PXL\"", kPdlPxl, 1), "nlp12dpx.ppd.gz");
  EXPECT_EQ(find("\"Norvik LP 1200 Duplex PS\"", kPdlPostScript, 1), "nlp12dps.ppd");
  // The candidate may go on after the wanted name, but identifier and
  // language must agree.
  EXPECT_EQ(find("\"Norvik LP 1200", kPdlPcl, 2), "nlp12pc.ppd.gz");
  EXPECT_EQ(find("\"Norvik LP 1200 Duplex PXL\"", kPdlPxl, 2), "none");
  EXPECT_EQ(find("\"Norvik LP 1200 PS\"", kPdlPxl, 2), "none");
  EXPECT_EQ(find("\"Norvik LP 1200 PS\" ", kPdlPostScript, 2), "none");
}

TEST(PpdMatch, DirectoryLoggedAndUnopenableFilesReported) {
  TempLog log;
  TempDir dir;
  PrinterEntry printer;
  printer.modelName = "\"Norvik Fjord 21 PXL\"";
  std::string path;
  EXPECT_EQ(findPpdFile(dir.file("none"), printer, kPdlPxl, 112, path), 0);
  EXPECT_EQ(findPpdFile(kProducts, printer, kPdlPxl, 112, path), 1);
  EXPECT_EQ(path, kProducts + "/nfj21px.ppd.gz");
  EXPECT_NE(log.text().find("Getting PPD from directory: " + dir.file("none") +
                            "\nGetting PPD from directory: " + kProducts + "\n"),
            std::string::npos) << log.text();

  ASSERT_EQ(symlink("/nonexistent/file.ppd", dir.file("dangling.ppd").c_str()), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(findPpdInDir(dir.path(), printer.modelName, kPdlPxl, 112, path), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open '" + dir.file("dangling.ppd") + "'!\n");
}

}  // namespace
