#include "ppd/product_ppd_texts.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "unit_support.h"

namespace {

const std::string kPacked = std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12pc.ppd.gz";

// Gives the file the modification time it had before a rewrite.
void keepTime(const std::string& path, const struct stat& before) {
  timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Each product PPD is read and decompressed once for all the printers of
// its model; a file changed since, or read cut the last time, is read again.
TEST(ProductPpdTexts, ReadOnceAgainWhenChangedOrCut) {
  TempDir dir;
  std::string path = dir.file("nlp12pc.ppd.gz");
  std::string packed = readFile(kPacked);
  writeFile(path, packed);
  struct stat first;
  stat(path.c_str(), &first);
  ProductPpdTexts texts;
  ProductPpdText& text = texts.textOf(path);
  ASSERT_TRUE(text.whole());
  EXPECT_EQ(text.text(), gunzip(kPacked));

  // Same size and time: taken for the file already read.
  std::string other = packed;
  other[other.size() / 2] ^= 0x55;
  writeFile(path, other);
  keepTime(path, first);
  EXPECT_TRUE(texts.textOf(path).whole());
  EXPECT_EQ(texts.textOf(path).text(), gunzip(kPacked));

  // A file changed otherwise is read again: this one is damaged.
  writeFile(path, packed.substr(0, packed.size() - 4));
  EXPECT_FALSE(texts.textOf(path).whole());
  writeFile(path, packed);
  keepTime(path, first);  // even with the earlier time, a cut read is not kept
  EXPECT_TRUE(texts.textOf(path).whole());
  EXPECT_EQ(texts.textOf(path).text(), gunzip(kPacked));
  unlink(path.c_str());
  EXPECT_FALSE(texts.textOf(path).whole());
}

// libcups reads the text from the first copy asked with and keeps that
// reading for the later printers; an unreadable text gives none.
TEST(ProductPpdTexts, OptionsReadFromTheFirstCopy) {
  TempDir dir;
  std::string path = dir.file("p.ppd");
  writeFile(path, gunzip(kPacked));
  ProductPpdTexts texts;
  ProductPpdText& text = texts.textOf(path);
  writeFile(dir.file("copy1"), text.text());
  const OfferedOptions* offered = text.options(dir.file("copy1"));
  ASSERT_NE(offered, nullptr);
  auto pageSize = std::find_if(offered->begin(), offered->end(),
                               [](const OfferedOption& o) { return o.keyword == "PageSize"; });
  ASSERT_NE(pageSize, offered->end());
  EXPECT_EQ(pageSize->defaultChoice, "A4");
  EXPECT_EQ(pageSize->choices, (std::vector<std::string>{"A4", "Letter", "Legal", "A5"}));
  EXPECT_EQ(text.options(dir.file("missing")), offered);

  writeFile(path, "*PPD-Adobe: \"4.3\"\nnot a PPD\n");
  ProductPpdText& broken = texts.textOf(path);
  writeFile(dir.file("copy2"), broken.text());
  EXPECT_EQ(broken.options(dir.file("copy2")), nullptr);
}

// The comparison with the package's file is made once per text: a file
// changed since is read again and compared again, so a product PPD cut
// between two printers is not taken for whole.
TEST(ProductPpdTexts, ComparedWithThePackageOncePerText) {
  TempDir dir;
  std::string path = dir.file("nlp12pc.ppd.gz");
  std::string packed = readFile(kPacked);
  writeFile(path, packed);
  ProductPpdTexts texts;
  EXPECT_TRUE(texts.textOf(path).sameAs(kPacked));

  writeFile(path, packed.substr(0, packed.size() / 2));
  EXPECT_FALSE(texts.textOf(path).sameAs(kPacked));
  writeFile(path, packed);
  EXPECT_TRUE(texts.textOf(path).sameAs(kPacked));
  EXPECT_FALSE(texts.textOf(path).sameAs(dir.file("missing.ppd.gz")));
}
}  // namespace
