#include "install/manifest.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tuple>
#include <vector>

#include "install_support.h"
#include "unit_support.h"

namespace {

using Entry = std::tuple<std::string, std::string, int>;

// The suite keeps its name; the manifest type is ::Manifest here.
class Manifest : public ::testing::Test {
 protected:
  void SetUp() override { mkdir(dir.file("etc").c_str(), 0755); }
  // Reads the manifest of the start directory; returns what was logged.
  std::string readAgain() {
    return logOf(log, [&] { manifest = getInfoData(log, dir.path(), "LUMOINST.CONF"); });
  }
  // Reads the manifest text from startDir/etc; returns what was logged.
  std::string read(const std::string& text) {
    writeFile(dir.file("etc/LUMOINST.CONF"), text);
    return readAgain();
  }
  std::vector<Entry> entries() const {
    std::vector<Entry> result;
    for (const ManifestEntry& entry : manifest)
      result.emplace_back(entry.source, entry.target, entry.mode);
    return result;
  }
  TempDir dir;
  TempLog log;
  ::Manifest manifest;
};

TEST_F(Manifest, FieldsModesAndSkippedLines) {
  std::string logged = read(
      "# comment\n\nbin/nc ./bin 00755\n bin/blank ./bin 00755\n\tbin/tab ./bin 00755\n"
      "ppd/a.ppd ?\t00644\r\nbin/type\t./bin 0100644 x\nbin/single ./bin 0755\n"
      "bin/zero /usr/lib 000\nbin/setup\nab\xc3\xa9" "cd ./x 0644 note00750\n  \r\n");
  EXPECT_EQ(logged, "LUMOINST.CONF = " + dir.file("etc/LUMOINST.CONF") + ".\n");
  EXPECT_EQ(entries(), (std::vector<Entry>{{"bin/nc", "./bin", 0755},
                                           {"ppd/a.ppd", "?", 0644},
                                           {"bin/type", "./bin", 0644},
                                           {"bin/single", "./bin", 0},
                                           {"bin/zero", "/usr/lib", 0755},
                                           {"bin/setup", "", 0},
                                           {"ab", "cd", 0750}}));
}

TEST_F(Manifest, LongLinesAreReadInPieces) {
  std::string first = "p/q ./bin";
  first += std::string(255 - first.size(), ' ');
  read(first + "r/s ./etc 00600\n");
  EXPECT_EQ(entries(), (std::vector<Entry>{{"p/q", "./bin", 0}, {"r/s", "./etc", 0600}}));
}

TEST_F(Manifest, EndsAtTheNullMarkAndLooksInEtcFirst) {
  writeFile(dir.file("LUMOINST.CONF"), "beside/x ./bin\n");
  read("a/b ./x 00644\nthe @@NULL mark\nc/d ./y 00644\n");
  EXPECT_EQ(entries(), (std::vector<Entry>{{"a/b", "./x", 0644}}));

  unlink(dir.file("etc/LUMOINST.CONF").c_str());
  EXPECT_EQ(readAgain(), "LUMOINST.CONF = " + dir.file("LUMOINST.CONF") + ".\n");
  EXPECT_EQ(entries(), (std::vector<Entry>{{"beside/x", "./bin", 0}}));

  unlink(dir.file("LUMOINST.CONF").c_str());
  EXPECT_EQ(readAgain(), "Cannot open info file: '" + dir.file("LUMOINST.CONF") + "'.\n");
  EXPECT_TRUE(manifest.empty());  // nothing of the earlier read is left
}

TEST_F(Manifest, LongSourcesAreRefusedAndTheTableHoldsAtMost256) {
  std::string longest(47, 's'), tooLong(48, 't');
  std::string text = tooLong + " ./bin\n" + longest + " ./bin\n";
  for (int i = 0; i < 300; ++i)
    text += "f/" + std::to_string(i) + " ./bin\n";
  std::string logged = read(text);
  ASSERT_EQ(manifest.size(), 256u);
  EXPECT_EQ(manifest[0].source, longest);
  EXPECT_EQ(manifest[255].source, "f/254");
  EXPECT_NE(logged.find("Source name longer than 47 characters refused: '" + tooLong + "'.\n"),
            std::string::npos);
  EXPECT_NE(
      logged.find("The install manifest holds more than 256 entries: the rest is not read.\n"),
      std::string::npos);
}

}  // namespace
