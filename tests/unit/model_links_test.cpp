#include "install/model_links.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/text.h"
#include "discovery/ppd_dirs.h"
#include "install_support.h"
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
  TempLog log;
  const ::ModelLinks links = {
      {"/m/share-ppd", "../ppd"},
      {"/m/foomatic", "/usr/share/foomatic/db/source/PPD"},
      {"/m/custom-a", "/srv/custom/oxa"},
      {"/m/custom-b", ""},
  };
  // The first link whose path holds the part the flags select; an absolute
  // target is the tree, else the link itself; "oxa" is not added twice.
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_CUSTOM | PPD_FOOMATIC, links), "/srv/custom/oxa");
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_CUSTOM, {links[3]}), "/m/custom-b/oxa");
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_FOOMATIC | PPD_USR_SHARE, links),
            "/usr/share/foomatic/db/source/PPD/oxa");
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_OPT_SHARE, links), "");  // no path holds "/share/ppd"
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_USR_SHARE, {{"/usr/share/ppd/lumo", "lumo-1"}}),
            "/usr/share/ppd/lumo/oxa");
  // Only the recorded links count, and without a selecting bit nothing.
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_FOOMATIC, {links[0]}), "");
  EXPECT_EQ(linkedPpdInstallDir(log, PPD_VENDOR_LAYOUT, links), "");
}

// The suite keeps its name; the list type is ::ModelLinks here.
class ModelLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    ppd.cupsModelDir = dir.file("model");
    ASSERT_EQ(mkdir(ppd.cupsModelDir.c_str(), 0755), 0);
  }
  // Records the links for the flags; returns what was logged.
  std::string scan(int flags) {
    ppd.flags = flags;
    return logOf(log, [&] { links = scanModelLinks(log, ppd); });
  }
  // Settles the product PPD directory from the recorded links.
  std::string link(const std::string& existing) {
    ppd.existingPpdDir = existing;
    return logOf(log, [&] { linkProductPpdDir(log, ppd, cupsVersion, links); });
  }
  void makeTree(const std::string& path) {
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((path + "/sub").c_str(), 0755), 0);
  }
  TempDir dir;
  TempLog log;
  PpdLocations ppd;
  ::ModelLinks links;
  int cupsVersion = 1000;
};

TEST_F(ModelLinks, CustomTreesUpToEight) {
  const std::string& cupsModelDir = ppd.cupsModelDir;
  // A directory that holds no directory is no tree.
  ASSERT_EQ(mkdir((cupsModelDir + "/custom-flat").c_str(), 0755), 0);
  EXPECT_EQ(scan(PPD_CUSTOM), "No known links in cups model dir: " + cupsModelDir + "\n");
  EXPECT_TRUE(links.empty());

  for (int i = 0; i < 10; ++i)
    makeTree(cupsModelDir + "/custom" + std::to_string(i));
  std::string logged = scan(PPD_CUSTOM | PPD_FOOMATIC);
  ASSERT_EQ(links.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(links[i].path.compare(0, cupsModelDir.size() + 7, cupsModelDir + "/custom"), 0);
    EXPECT_EQ(links[i].target, "");
    EXPECT_NE(logged.find(formatText("Link %d: %s linked to .\n", i + 1, links[i].path.c_str())),
              std::string::npos);
  }
  EXPECT_EQ(logged.find("Link 9"), std::string::npos);
  EXPECT_EQ(logged.find("No known links"), std::string::npos);
}

TEST_F(ModelLinks, OneLinkIntoAPpdTree) {
  const std::string cupsModelDir = ppd.cupsModelDir;
  std::string tree = dir.file("foomatic-tree");
  makeTree(tree);
  makeTree(cupsModelDir + "/plain");
  ASSERT_EQ(symlink("/elsewhere", (cupsModelDir + "/other").c_str()), 0);
  ASSERT_EQ(symlink(tree.c_str(), (cupsModelDir + "/a").c_str()), 0);
  ASSERT_EQ(symlink(tree.c_str(), (cupsModelDir + "/b").c_str()), 0);
  std::string logged = scan(PPD_FOOMATIC | PPD_USR_SHARE);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].target, tree);
  EXPECT_EQ(logged, "Link 1: " + links[0].path + " linked to " + tree + ".\n");

  // The same links lead nowhere known for a shared tree.
  EXPECT_EQ(scan(PPD_USR_SHARE), "No known links in cups model dir: " + cupsModelDir + "\n");
  EXPECT_TRUE(links.empty());
}

TEST_F(ModelLinks, FoomaticEntrySilencesTheNoLinksLine) {
  const std::string cupsModelDir = ppd.cupsModelDir;
  writeFile(cupsModelDir + "/foomatic", "not a directory");
  EXPECT_EQ(scan(PPD_FOOMATIC), "");
  EXPECT_TRUE(links.empty());

  ppd.cupsModelDir = dir.file("missing");
  EXPECT_EQ(scan(PPD_FOOMATIC), "");
  EXPECT_TRUE(links.empty());
  EXPECT_EQ(link(""), "");
  EXPECT_EQ(ppd.ppdInstallDir, "");
}

TEST_F(ModelLinks, DefaultUnderTheModelDirectory) {
  const std::string cupsModelDir = ppd.cupsModelDir;
  std::string oxa = cupsModelDir + "/oxa";
  cupsVersion = 1200;  // no shared tree: named, nothing made
  EXPECT_EQ(link(""), "PPD installation dir: " + oxa + "\n");
  EXPECT_EQ(modeOf(oxa), -1);

  cupsVersion = 2400;
  link("");
  EXPECT_EQ(ppd.ppdInstallDir, oxa);
  EXPECT_EQ(modeOf(oxa), 0755);
  EXPECT_EQ(link(""), "PPD installation dir: " + oxa + "\n");  // there already
}

TEST_F(ModelLinks, TooLongTargetIsRefused) {
  const std::string cupsModelDir = ppd.cupsModelDir;
  std::string target = "/" + std::string(300, 't') + "/foomatic";
  ASSERT_EQ(symlink(target.c_str(), (cupsModelDir + "/foomatic").c_str()), 0);
  EXPECT_EQ(scan(PPD_FOOMATIC), "Path longer than 255 characters refused: '" + target + "'.\n");
  EXPECT_TRUE(links.empty());
}

}  // namespace
