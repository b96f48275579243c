#include "ppd/ppd_match.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "unit_support.h"

namespace {

const std::string kProducts = LUMO_PRODUCT_PPD_DIR;

std::string find(const std::string& model, int pdlKind, int modelId) {
  TempLog log;
  ProductPpdIndex index;
  std::string path;
  if (!index.findInDir(log, kProducts, model, pdlKind, modelId, path))
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
  ProductPpdIndex index;
  PrinterEntry printer;
  printer.modelName = "\"Norvik Fjord 21 PXL\"";
  printer.pdlKind = kPdlPxl;
  printer.modelId = 112;
  std::string path;
  EXPECT_FALSE(findPpdFile(log, index, dir.file("none"), printer, path));
  EXPECT_TRUE(findPpdFile(log, index, kProducts, printer, path));
  EXPECT_EQ(path, kProducts + "/nfj21px.ppd.gz");
  EXPECT_NE(log.text().find("Getting PPD from directory: " + dir.file("none") +
                            "\nGetting PPD from directory: " + kProducts + "\n"),
            std::string::npos) << log.text();

  ASSERT_EQ(symlink("/nonexistent/file.ppd", dir.file("dangling.ppd").c_str()), 0);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(index.findInDir(log, dir.path(), printer.modelName, kPdlPxl, 112, path));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open '" + dir.file("dangling.ppd") + "'!\n");
}

// Each product directory is read once and again only after it changed.
TEST(PpdMatch, DirectoryReadOnceUntilItChanges) {
  TempLog log;
  TempDir dir;
  ProductPpdIndex index;
  std::string model = "\"Norvik LP 1200 PS\"";
  std::string path;
  // The directory's time set apart from the clock, whose coarse ticks
  // could give two quick changes the same time.
  auto changed = [&](long seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.path().c_str(), times, 0), 0);
  };
  ASSERT_EQ(symlink("/nonexistent/file.ppd", dir.file("dangling.ppd").c_str()), 0);
  changed(1000);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(index.findInDir(log, dir.path(), model, kPdlPostScript, 2, path));
  EXPECT_FALSE(index.findInDir(log, dir.path(), model, kPdlPostScript, 2, path));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open '" + dir.file("dangling.ppd") + "'!\n");

  writeFile(dir.file("new.ppd"), readFile(kProducts + "/nlp12ps.ppd"));
  changed(2000);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(index.findInDir(log, dir.path(), model, kPdlPostScript, 2, path));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(path, dir.file("new.ppd"));
  unlink(dir.file("new.ppd").c_str());
  changed(3000);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(index.findInDir(log, dir.path(), model, kPdlPostScript, 2, path));
  testing::internal::GetCapturedStderr();
}

}  // namespace
