#include "ppd/model_links.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/log.h"
#include "driver/run_settings.h"
#include "install_support.h"
#include "ppd/ppd_dirs.h"
#include "ppd/ppd_locations.h"
#include "unit_support.h"

namespace {

TEST(ModernPpdInstallDir, FirstRowThatApplies) {
  const int usr = PPD_USR_SHARE, opt = PPD_OPT_SHARE;
  const struct {
    int flags;
    const char* current;
    const char* chosen;  // "" for the default
  } rows[] = {
      {usr | PPD_OPENPRINTING | PPD_VENDOR_LAYOUT | opt, "/usr/opt/x",
       "/usr/share/ppd/openprinting/oxa"},
      {usr | PPD_VENDOR_LAYOUT | opt, "/usr/opt/x", "/usr/share/ppd/oxa"},
      {usr | opt, "/usr/opt/x", "/usr/opt/ppd/oxa"},
      {usr | opt, "/usr/share/x", "/usr/share/ppd/oxa"},
      {usr, "/usr/share/foo/oxa", "/usr/share/foo/oxa"},
      {usr, "", "/usr/share/ppd/oxa"},
      {usr, "/opt/x", "/usr/share/ppd/oxa"},
      {opt, "/opt/share/ppd/oxa", "/usr/opt/ppd/oxa"},
      {opt, "/usr/opt/share/oxa", ""},
      {opt, "/usr/opt/x", "/opt/share/ppd/oxa"},
      {PPD_OPENPRINTING | PPD_VENDOR_LAYOUT | PPD_FOOMATIC, "/usr/share/ppd/oxa", ""},
      {0, "", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(modernPpdInstallDir(row.flags, row.current), row.chosen)
        << std::hex << row.flags << " " << row.current;
}

TEST(LinkedPpdInstallDir, SelectedLinkAndItsDirectory) {
  const ModelLink links[] = {
      {"/m/share-ppd", "../ppd"},
      {"/m/foomatic", "/usr/share/foomatic/db/source/PPD"},
      {"/m/custom-a", "/srv/custom/oxa"},
      {"/m/custom-b", ""},
  };
  // The first link whose path holds the part the flags select; an absolute
  // target is the tree, else the link itself; "oxa" is not added twice.
  EXPECT_EQ(linkedPpdInstallDir(PPD_CUSTOM | PPD_FOOMATIC, links, 4), "/srv/custom/oxa");
  EXPECT_EQ(linkedPpdInstallDir(PPD_CUSTOM, links + 3, 1), "/m/custom-b/oxa");
  EXPECT_EQ(linkedPpdInstallDir(PPD_FOOMATIC | PPD_USR_SHARE, links, 4),
            "/usr/share/foomatic/db/source/PPD/oxa");
  EXPECT_EQ(linkedPpdInstallDir(PPD_OPT_SHARE, links, 4), "");  // no path holds "/share/ppd"
  const ModelLink shared[] = {{"/usr/share/ppd/lumo", "lumo-1"}};
  EXPECT_EQ(linkedPpdInstallDir(PPD_USR_SHARE, shared, 1), "/usr/share/ppd/lumo/oxa");
  // Only the recorded number counts, and without a selecting bit nothing.
  EXPECT_EQ(linkedPpdInstallDir(PPD_FOOMATIC, links, 1), "");
  EXPECT_EQ(linkedPpdInstallDir(PPD_VENDOR_LAYOUT, links, 4), "");
}

class ModelLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    run = RunSettings();
    cupsModelDir = dir.file("model");
    ASSERT_EQ(mkdir(cupsModelDir.c_str(), 0755), 0);
  }
  void TearDown() override {
    cupsModelDir.clear();
    ppdInstallDir.clear();
  }
  std::string scan(int flags, int& count) {
    run.ppdFlags = flags;
    return logOf([&] { scanModelLinks(count); });
  }
  std::string link(const std::string& existing, int count) {
    return logOf([&] { linkProductPpdDir(existing, count); });
  }
  void makeTree(const std::string& path) {
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((path + "/sub").c_str(), 0755), 0);
  }
  TempDir dir;
};

TEST_F(ModelLinks, CustomTreesUpToEight) {
  // A directory that holds no directory is no tree.
  ASSERT_EQ(mkdir((cupsModelDir + "/custom-flat").c_str(), 0755), 0);
  int count = -1;
  EXPECT_EQ(scan(PPD_CUSTOM, count), "No known links in cups model dir: " + cupsModelDir + "\n");
  EXPECT_EQ(count, 0);

  for (int i = 0; i < 10; ++i)
    makeTree(cupsModelDir + "/custom" + std::to_string(i));
  std::string log = scan(PPD_CUSTOM | PPD_FOOMATIC, count);
  EXPECT_EQ(count, 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(modelLinks[i].path.compare(0, cupsModelDir.size() + 7, cupsModelDir + "/custom"), 0);
    EXPECT_EQ(modelLinks[i].target, "");
    EXPECT_NE(log.find(formatText("Link %d: %s linked to .\n", i + 1, modelLinks[i].path.c_str())),
              std::string::npos);
  }
  EXPECT_EQ(log.find("Link 9"), std::string::npos);
  EXPECT_EQ(log.find("No known links"), std::string::npos);
}

TEST_F(ModelLinks, OneLinkIntoAPpdTree) {
  std::string tree = dir.file("foomatic-tree");
  makeTree(tree);
  makeTree(cupsModelDir + "/plain");
  ASSERT_EQ(symlink("/elsewhere", (cupsModelDir + "/other").c_str()), 0);
  ASSERT_EQ(symlink(tree.c_str(), (cupsModelDir + "/a").c_str()), 0);
  ASSERT_EQ(symlink(tree.c_str(), (cupsModelDir + "/b").c_str()), 0);
  int count = -1;
  std::string log = scan(PPD_FOOMATIC | PPD_USR_SHARE, count);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(modelLinks[0].target, tree);
  EXPECT_EQ(log, "Link 1: " + modelLinks[0].path + " linked to " + tree + ".\n");

  // The same links lead nowhere known for a shared tree.
  EXPECT_EQ(scan(PPD_USR_SHARE, count), "No known links in cups model dir: " + cupsModelDir + "\n");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(modelLinks[0].path, "");
}

TEST_F(ModelLinks, FoomaticEntrySilencesTheNoLinksLine) {
  writeFile(cupsModelDir + "/foomatic", "not a directory");
  int count = -1;
  EXPECT_EQ(scan(PPD_FOOMATIC, count), "");
  EXPECT_EQ(count, 0);

  cupsModelDir = dir.file("missing");
  count = -1;
  EXPECT_EQ(scan(PPD_FOOMATIC, count), "");
  EXPECT_EQ(count, -1);
  EXPECT_EQ(link("", 0), "");
  EXPECT_EQ(ppdInstallDir, "");
}

TEST_F(ModelLinks, DefaultUnderTheModelDirectory) {
  std::string oxa = cupsModelDir + "/oxa";
  run.cupsVersion = 1200;  // no shared tree: named, nothing made
  EXPECT_EQ(link("", 0), "PPD installation dir: " + oxa + "\n");
  EXPECT_EQ(modeOf(oxa), -1);

  run.cupsVersion = 2400;
  link("", 0);
  EXPECT_EQ(ppdInstallDir, oxa);
  EXPECT_EQ(modeOf(oxa), 0755);
  EXPECT_EQ(link("", 0), "PPD installation dir: " + oxa + "\n");  // there already
}

TEST_F(ModelLinks, TooLongTargetIsRefused) {
  std::string target = "/" + std::string(300, 't') + "/foomatic";
  ASSERT_EQ(symlink(target.c_str(), (cupsModelDir + "/foomatic").c_str()), 0);
  int count = -1;
  EXPECT_EQ(scan(PPD_FOOMATIC, count),
            "Path longer than 255 characters refused: '" + target + "'.\n");
  EXPECT_EQ(count, 0);
}

}  // namespace
