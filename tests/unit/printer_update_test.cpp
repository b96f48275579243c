#include "ppd/printer_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "base/answer.h"
#include "ppd/printer_config.h"
#include "unit_support.h"

namespace {

TEST(PrinterUpdate, BackupName) {
  EXPECT_EQ(backupName("/etc/cups/ppd/Office.ppd", "Office"), "/etc/cups/Office.ppd.rpmsave");
  EXPECT_EQ(backupName("/srv/ppdroot/etc/cups/ppd/Q.ppd", "Q"), "/srv/Q.ppd.rpmsave");
  EXPECT_EQ(backupName("/x/Q.ppd", "Q"), "/x/Q.ppdQ.ppd.rpmsave");
  // CUPS's older copy beside the queue's PPD has a backup of its own.
  EXPECT_EQ(backupName("/etc/cups/ppd/Office.ppd.O", "Office"), "/etc/cups/Office.ppd.O.rpmsave");
}

// A queue's file as the plan read it.
QueueFile planned(const std::string& ppd) {
  QueueFile file;
  file.printer.queueName = "Q";
  file.printer.ppdPath = ppd;
  file.stamp = stampOf(ppd);
  return file;
}

TEST(PrinterUpdate, BackupAndReplacementLogTheirCopies) {
  TempLog log;
  TempDir dir;
  std::filesystem::create_directory(dir.file("ppd"));
  std::string ppd = dir.file("ppd/Q.ppd");
  writeFile(ppd, "old\n");
  chmod(ppd.c_str(), 0640);
  writeFile(dir.file("new"), "new\n");
  EXPECT_TRUE(backupPPD(log, ppd, "Q").ok());
  EXPECT_TRUE(replacePPD(log, planned(ppd), dir.file("new")).ok());
  Status failed = replacePPD(log, planned(dir.file("gone/Q.ppd")), dir.file("new"));
  EXPECT_EQ(failed.reason, Reason::kCopyFailed);
  EXPECT_EQ(failed.error, ENOENT);

  EXPECT_EQ(readFile(dir.file("Q.ppd.rpmsave")), "old\n");
  EXPECT_EQ(readFile(ppd), "new\n");
  struct stat st;
  stat(ppd.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  std::string text = log.text();
  for (std::string line : {"saving " + ppd + " to " + dir.file("Q.ppd.rpmsave") + ": result=0\n",
                           "Copying " + dir.file("new") + " to " + ppd + ": result=0\n",
                           "Copying " + dir.file("new") + " to " + dir.file("gone/Q.ppd") +
                               ": result=-1\nCannot copy " + dir.file("new") + " to " +
                               dir.file("gone/Q.ppd") + ": No such file or directory.\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
}

// The temporary directory of a test, given to the code as TMPDIR.
class TmpDirEnv {
 public:
  TmpDirEnv() { setenv("TMPDIR", dir.path().c_str(), 1); }
  ~TmpDirEnv() { unsetenv("TMPDIR"); }
  TempDir dir;
};

TEST(PrinterUpdate, GzippedProductDecompressedACutOneRefused) {
  if (geteuid() != 0)
    GTEST_SKIP() << "product PPDs are taken only from where root alone writes";
  TempLog log;
  // The product PPD installed, and the package's file it must equal, both
  // where root alone writes.
  TempDir package{TempDir::kRootOnly}, reference{TempDir::kRootOnly};
  TmpDirEnv tmp;
  std::string packed = readFile(std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12pc.ppd.gz");
  for (const TempDir* dir : {&package, &reference}) {
    std::filesystem::create_directory(dir->file("ppd"));
    writeFile(dir->file("ppd/nlp12pc.ppd.gz"), packed);
  }
  std::string products = package.file("ppd");
  std::string product = products + "/nlp12pc.ppd.gz";
  const std::string kPackage = reference.path();
  PrinterEntry printer;
  printer.queueName = "Q";
  printer.modelName = "\"Norvik LP 1200 PCL\"";
  printer.pdlKind = kPdlPcl;
  printer.modelId = 2;
  ProductPpdIndex index;
  std::string newName;
  // The queue's file, planned to get the product PPD checked against the
  // package in packageDir.
  auto planned = [&](const std::string& productPpd, const std::string& packageDir) {
    QueueFile file;
    file.printer = printer;
    file.productPpd = productPpd;
    file.packagePpd = packageCopy(packageDir, productPpd);
    return file;
  };

  ASSERT_TRUE(installNewPPD(log, index, planned(product, kPackage), newName).ok());
  // Its default lines are already in the written form: the copy is the
  // product's text, whole.
  EXPECT_EQ(readFile(newName), gunzip(product));
  unlink(newName.c_str());

  // Cut in the middle: the model line still reads, the rest does not.  It
  // is not the package's file, so it is not even opened.
  writeFile(product, packed.substr(0, packed.size() / 2));
  EXPECT_EQ(installNewPPD(log, index, planned(product, kPackage), newName).reason,
            Reason::kNotPackageFile);
  EXPECT_EQ(newName, "");
  EXPECT_NE(log.text().find("Product PPD " + product + " is not the same as the package's " +
                            kPackage + "/ppd/nlp12pc.ppd.gz: not used.\n"),
            std::string::npos) << log.text();
  EXPECT_EQ(log.text().find("Problem decompressing"), std::string::npos);
  // The package's own file cut the same way fails in the decompression.
  EXPECT_EQ(installNewPPD(log, index, planned(product, package.path()), newName).reason,
            Reason::kWriteFailed);
  EXPECT_NE(log.text().find("Problem decompressing: " + tmp.dir.path() + "/orbin"),
            std::string::npos) << log.text();
  EXPECT_TRUE(std::filesystem::is_empty(tmp.dir.path()));

  // A product PPD the package lacks proves nothing either.
  std::string stray = products + "/stray.ppd.gz";
  std::filesystem::rename(product, stray);
  EXPECT_FALSE(installNewPPD(log, index, planned(stray, kPackage), newName).ok());
  EXPECT_NE(log.text().find("Product PPD " + stray +
                            " has no copy in the package to check it against: not used.\n"),
            std::string::npos) << log.text();
}

TEST(PrinterUpdate, ALinkAtTheConfigurationIsNeitherReadNorWrittenThrough) {
  TempLog log;
  TempDir dir;
  std::string victim = dir.file("shadow");
  writeFile(victim, "root:x\n%%LUMO_VERSION_1.0\n");
  chmod(victim.c_str(), 0600);
  ASSERT_EQ(symlink(victim.c_str(), dir.file("lumoConfig").c_str()), 0);
  EXPECT_FALSE(updateConfigFile(log, dir.file("lumoConfig"), "Q"));
  EXPECT_EQ(readFile(victim), "root:x\n%%LUMO_VERSION_1.0\n");
  EXPECT_EQ(std::filesystem::read_symlink(dir.file("lumoConfig")), victim);
  EXPECT_EQ(log.text().find("updated."), std::string::npos);
}

TEST(PrinterUpdate, ConfigurationMarker) {
  TempLog log;
  TempDir dir;
  std::string config = dir.file("lumoConfig");
  // A marker line of more than 255 characters goes whole.
  writeFile(config, "ID=1\n%%LUMO_VERSION_1.0 (old)\nX=1\n%%LUMO_VERSION_1.0" +
                        std::string(600, '-') + "\nY=2");
  EXPECT_TRUE(updateConfigFile(log, config, "Office"));
  EXPECT_EQ(readFile(config), "ID=1\n%%LUMO_VERSION_3.0\nX=1\n%%LUMO_VERSION_3.0\nY=2");
  writeFile(config, "no marker\n");
  EXPECT_TRUE(updateConfigFile(log, config, "Again"));
  EXPECT_EQ(readFile(config), "no marker\n");
  // A NUL byte ends the text of its line.
  writeFile(config, std::string("ID=1\n\0x\n%%LUMO_VERSION_1.0\n", 27));
  EXPECT_TRUE(updateConfigFile(log, config, "Again"));
  EXPECT_EQ(readFile(config), "ID=1\n%%LUMO_VERSION_3.0\n");
  EXPECT_FALSE(updateConfigFile(log, dir.file("missing"), "Gone"));
  std::string text = log.text();
  EXPECT_NE(text.find("processPrinterConfig(Office): updated.\n"
                      "processPrinterConfig(Again): updated.\n"),
            std::string::npos) << text;
  EXPECT_EQ(text.find("(Gone)"), std::string::npos);
  // "..ppd" and "...ppd" give the queues "." and "..".
  EXPECT_FALSE(processPrinterConfig(log, ".."));
  EXPECT_NE(log.text().find("Printer name refused, it could name a path: '..'.\n"),
            std::string::npos);
}

// The administrator is asked before each queue the plan updates, in plan
// order: "no" passes the queue over, "all" updates it and every later one
// without asking again, "break" ends the update there.  A queue's files
// (its PPD and CUPS's older copy) follow the one answer for the queue.
TEST(PrinterUpdate, AsksPerQueueAndHonoursNoAllAndBreak) {
  TempLog log;
  TempDir dir;
  std::filesystem::create_directory(dir.file("ppd"));
  QueuePlans plans;
  for (const char* queue : {"A", "B", "C", "D"}) {
    QueuePlan plan;
    plan.name = queue;
    plan.action = QueueAction::kUpdate;
    for (const char* suffix : {".ppd", ".ppd.O"}) {
      QueueFile file;
      file.printer.queueName = queue;
      file.printer.ppdPath = dir.file("ppd/") + queue + suffix;
      writeFile(file.printer.ppdPath, "*PPD-Adobe: \"4.3\"\n");
      file.stamp = stampOf(file.printer.ppdPath);
      file.action = QueueAction::kUpdate;
      file.productPpd = dir.file("gone.ppd");  // each fails at its product PPD
      plan.files.push_back(file);
    }
    plans.push_back(plan);
  }
  ProductPpdIndex index;
  // Runs the update with the answers in turn; returns the queues asked
  // about and each queue's outcome.
  auto update = [&](std::vector<int> answers, std::string& outcomes) {
    std::vector<std::string> asked;
    size_t next = 0;
    QueuePlans queues = plans;
    updateQueues(log, index, queues, [&](const QueuePlan& queue) {
      asked.push_back(queue.name);
      return next < answers.size() ? answers[next++] : kAnswerUnknown;
    });
    outcomes.clear();
    for (const QueuePlan& queue : queues) {
      outcomes += queue.name + ":" + stateName(queue.state) + "/" + reasonCode(queue.status.reason);
      for (const QueueFile& file : queue.files)
        outcomes += std::string(",") + stateName(file.state);
      outcomes += " ";
    }
    return asked;
  };
  using Names = std::vector<std::string>;
  std::string outcomes;
  EXPECT_EQ(update({kAnswerNo, kAnswerYes, kAnswerAll}, outcomes), (Names{"A", "B", "C"}));
  EXPECT_EQ(outcomes,
            "A:left/declined,left,left B:failed/not-package-file,failed,failed "
            "C:failed/not-package-file,failed,failed D:failed/not-package-file,failed,failed ");
  EXPECT_FALSE(std::filesystem::exists(dir.file("A.ppd.rpmsave")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("D.ppd.rpmsave")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("D.ppd.O.rpmsave")));

  EXPECT_EQ(update({kAnswerYes, kAnswerBreak}, outcomes), (Names{"A", "B"}));
  EXPECT_EQ(outcomes,
            "A:failed/not-package-file,failed,failed B:left/broken-off,left,left "
            "C:left/broken-off,left,left D:left/broken-off,left,left ");

  // Without a question every queue is worked on.
  QueuePlans queues = plans;
  updateQueues(log, index, queues, nullptr);
  for (const QueuePlan& queue : queues)
    EXPECT_EQ(queue.state, ItemState::kFailed) << queue.name;
}

// A co-administrator's change to the queue's PPD while its new one is
// written is found just before the new one would take its place.
TEST(PrinterUpdate, PpdChangedWhileTheNewOneIsWrittenIsKept) {
  TempLog log;
  TempDir dir;
  std::string ppd = dir.file("Q.ppd");
  writeFile(ppd, "Letter\n");
  QueueFile file = planned(ppd);
  writeFile(dir.file("new"), "new\n");
  writeFile(ppd, "Legal\n");  // lpadmin -o PageSize=Legal, meanwhile
  Status kept = replacePPD(log, file, dir.file("new"));
  EXPECT_EQ(kept.reason, Reason::kChangedDuringRun);
  EXPECT_EQ(readFile(ppd), "Legal\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()), 2);  // no staged copy left
  // CUPS's older copy holds no setting in use: the scheduler rewrites it.
  QueueFile older = planned(ppd + ".O");
  writeFile(ppd + ".O", "rewritten\n");
  EXPECT_TRUE(replacePPD(log, older, dir.file("new")).ok());
}

// A queue whose PPD changed after the plan read its defaults keeps it:
// the administrator's newer choice is not overwritten with older ones.
TEST(PrinterUpdate, PpdChangedSinceThePlanIsKept) {
  TempLog log;
  TempDir dir;
  QueueFile file;
  file.printer.queueName = "Q";
  file.printer.ppdPath = dir.file("Q.ppd");
  writeFile(file.printer.ppdPath, "*PPD-Adobe: \"4.3\"\n");
  file.stamp = stampOf(file.printer.ppdPath);
  file.action = QueueAction::kUpdate;
  writeFile(file.printer.ppdPath, "*PPD-Adobe: \"4.3\"\n*DefaultPageSize: A4\n");
  QueuePlans queues(1);
  queues[0].name = "Q";
  queues[0].action = QueueAction::kUpdate;
  queues[0].files.push_back(file);
  ProductPpdIndex index;
  updateQueues(log, index, queues, nullptr);
  EXPECT_EQ(queues[0].status.reason, Reason::kChangedDuringRun);
  EXPECT_FALSE(std::filesystem::exists(dir.file("Q.ppd.rpmsave")));
  EXPECT_NE(log.text().find("changed after the run was planned"), std::string::npos);
}

}  // namespace
