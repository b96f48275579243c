#include "ppd/printer_update.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/answer.h"
#include "base/copy_file.h"
#include "base/files.h"
#include "base/log.h"
#include "base/text.h"
#include "base/tmp_file.h"
#include "ppd/option_carry_over.h"
#include "ppd/printer_config.h"
#include "ppd/undo_plan.h"

namespace {

// The longest name created: "/orbinXXXXXX" after the directory.
constexpr size_t kLongestName = 12;

// A copy made in process, logged like a command: its status (0 done, -1
// failed) on the caller's line, the reason of a failure on a line of its own.
Status copyWhole(const std::string& from, const std::string& to, int mode = kKeepTargetMode,
                 const RenameCheck& stillWanted = nullptr) {
  if (copyFile(from, to, mode, stillWanted))
    return Status();
  int error = errno;
  return failure(Reason::kCopyFailed,
                 formatText("Cannot copy %s to %s: %s.", from.c_str(), to.c_str(),
                            std::strerror(error)),
                 error);
}

int commandStatus(const Status& status) {
  return status.ok() ? 0 : -1;
}

// Writes the product PPD's text through the input copy's open descriptor,
// which it closes.
Status prepareInput(const ProductPpdText& product, const std::string& found, Fd fd,
                    const std::string& input, const std::string& queue) {
  bool done = product.whole() && writeAll(fd.get(), product.text());
  int error = errno;
  done = fd.close() && done;
  if (done)
    return Status();
  if (found.find(".gz") != std::string::npos)
    return failure(Reason::kWriteFailed,
                   formatText(msg::kProblemDecompressing, input.c_str(), queue.c_str()), error);
  return failure(Reason::kWriteFailed,
                 formatText("Problem copying: %s to %s for printer %s!\n", found.c_str(),
                            input.c_str(), queue.c_str()),
                 error);
}

// Copies in to out with the file's carried defaults written in, and
// closes out; each default left as the PPD has it is logged.
Status writeWithDefaults(Log& log, FILE* in, File out, const QueueFile& file,
                         const std::string& output) {
  logDefaultsLeft(log, file.defaults);
  if (out)
    processNewPPD(log, in, out.get(), carriedDefaults(file.defaults));
  bool written = out && !std::ferror(in) && !std::ferror(out.get());
  int error = errno;
  if (closeFile(out) && written)
    return Status();
  return failure(Reason::kWriteFailed,
                 formatText("Problem writing: %s for printer %s!", output.c_str(),
                            file.printer.queueName.c_str()),
                 error);
}

// Rewrites the product PPD's text, which the input copy holds, into the
// output file, whose descriptor it takes over.  It fails when the text is
// no readable PPD or the output was not written whole.  (The text is the
// package's, byte for byte, and the rewrite changes only default lines, so
// a whole write is a readable PPD.)
Status writeNewPpd(Log& log, ProductPpdText& product, const std::string& input, Fd outFd,
                   const std::string& output, const QueueFile& file) {
  const std::string& queue = file.printer.queueName;
  File out = streamOf(std::move(outFd), "w");
  File in = out ? textStream(product.text()) : File();
  if (!in)
    return failure(Reason::kWriteFailed,
                   formatText(msg::kProblemOpening, (out ? input : output).c_str(), queue.c_str()),
                   errno);
  if (!product.options(input))
    return failure(Reason::kUnreadablePpd,
                   formatText("Problem reading: %s as a PPD for printer %s!\n", input.c_str(),
                              queue.c_str()));
  return writeWithDefaults(log, in.get(), std::move(out), file, output);
}

// Logs why a failed step failed, and hands the status on.
Status logged(Log& log, Status status) {
  if (!status.ok())
    log.message(status.text);
  return status;
}

// Saves the PPD whole at `saved`, with its owner, group and bits, and logs
// "saving %s to %s: result=%d".
Status savePPD(Log& log, const std::string& ppdPath, const std::string& saved) {
  Status copy = copyWhole(ppdPath, saved, kSourceMode);
  log.printf(msg::kSavingResult, ppdPath.c_str(), saved.c_str(), commandStatus(copy));
  if (!copy.ok())
    copy.reason = Reason::kBackupFailed;
  return logged(log, copy);
}

// Undoing: the queue's current PPD kept beside its backup, as a backup
// is written.
Status keepCurrentPPD(Log& log, const std::string& ppdPath, const std::string& queueName) {
  return savePPD(log, ppdPath, keptCurrentName(ppdPath, queueName));
}

// Undoing: the earlier PPD (the backup) with the defaults chosen since the
// update carried back, into a new temporary file whose name goes into
// newName.
Status writeEarlierPpd(Log& log, const QueueFile& file, std::string& newName) {
  const std::string& queue = file.printer.queueName;
  newName.clear();
  File in = openRegularFile(file.productPpd);
  std::string dir = tmpPpdDir(log), output;
  ScratchFiles scratch;
  Fd outFd = in ? createTmpFile(dir, "orbot", output) : Fd();
  if (!outFd.valid())
    return logged(log, failure(Reason::kNoTmpFile,
                               formatText("Cannot write the earlier PPD of printer %s from %s!",
                                          queue.c_str(), file.productPpd.c_str()),
                               errno));
  scratch.hold(output);
  Status written =
      writeWithDefaults(log, in.get(), streamOf(std::move(outFd), "w"), file, output);
  if (!written.ok())
    return logged(log, written);
  scratch.release(output);
  newName = output;
  log.printf("Earlier PPD for printer %s in: %s.", queue.c_str(), newName.c_str());
  return Status();
}

// One file of a queue: save what it holds (updating, its backup; undoing,
// its current PPD beside the backup), write its new PPD and put it in
// place; its configuration marker follows a replaced PPD only.
Status updateFile(Log& log, ProductPpdIndex& index, const QueueFile& file,
                  const ReplaceStep& replace) {
  const PrinterEntry& printer = file.printer;
  Status status = logged(log, checkUnchanged(file));
  if (status.ok()) {
    status = file.undo ? keepCurrentPPD(log, printer.ppdPath, printer.queueName)
                       : backupPPD(log, printer.ppdPath, printer.queueName);
    if (!status.ok())
      log.printf("No backup of %s: the PPD is not replaced.\n", printer.ppdPath.c_str());
  }
  if (status.ok()) {
    std::string newName;
    status = file.undo ? writeEarlierPpd(log, file, newName)
                       : installNewPPD(log, index, file, newName);
    if (status.ok())
      status = replace(file, newName);
    if (!newName.empty())
      unlink(newName.c_str());
  }
  if (status.ok())
    processPrinterConfig(log, printer.queueName,
                         file.undo ? MarkerWay::kBack : MarkerWay::kForward);
  return status;
}

void logKept(Log& log, const PrinterEntry& printer) {
  log.printf("Printer %s keeps its PPD %s.\n", printer.queueName.c_str(), printer.ppdPath.c_str());
}

// A file the plan keeps: its reason, in the words the update would have
// found it with.
void logPlannedKeep(Log& log, const QueueFile& file) {
  log.printf(msg::kProcessingPpdFiles, file.printer.queueName.c_str());
  log.message(file.why.reason == Reason::kNoProductPpd ? msg::kPpdNotFound : file.why.text);
}

void leave(QueuePlan& queue, const Status& why) {
  queue.state = ItemState::kLeft;
  queue.status = why;
  for (QueueFile& file : queue.files) {
    file.state = ItemState::kLeft;
    file.status = file.action == QueueAction::kKeep ? file.why : why;
  }
}

void updateQueue(Log& log, ProductPpdIndex& index, QueuePlan& queue, const ReplaceStep& replace) {
  queue.state = ItemState::kDone;
  for (QueueFile& file : queue.files) {
    log.message(std::string(58, '='));
    log.printf(msg::kPrinterWithPpd, file.printer.queueName.c_str(), file.printer.ppdPath.c_str());
    if (file.action == QueueAction::kKeep) {
      logPlannedKeep(log, file);
      file.state = ItemState::kLeft;
      file.status = file.why;
    } else {
      file.status = updateFile(log, index, file, replace);
      file.state = file.status.ok() ? ItemState::kDone : ItemState::kFailed;
    }
    if (!file.status.ok())
      logKept(log, file.printer);
    if (file.state == ItemState::kFailed && queue.state == ItemState::kDone) {
      queue.state = ItemState::kFailed;
      queue.status = file.status;
    }
  }
  if (queue.action == QueueAction::kKeep) {
    queue.state = ItemState::kLeft;
    queue.status = queue.why;
  }
}

}  // namespace

bool updateQueues(Log& log, ProductPpdIndex& index, QueuePlans& queues, QueueQuestion ask,
                  const UpdateProgress& progress, const ReplaceStep& replace,
                  const StopCheck& stop) {
  ReplaceStep put = replace;
  if (!put)
    put = [&log](const QueueFile& file, const std::string& newName) {
      return replacePPD(log, file, newName);
    };
  // The queues from the i-th on are left, for the reason given.
  auto leaveFrom = [&queues](size_t i, const Status& why) {
    for (; i < queues.size(); ++i)
      leave(queues[i], why);
    return false;
  };
  for (size_t i = 0; i < queues.size(); ++i) {
    QueuePlan& queue = queues[i];
    if (stop && stop())
      return leaveFrom(i, failure(Reason::kInterrupted, "the run was interrupted"));
    if (ask && queue.action == QueueAction::kUpdate) {
      int answer = ask(queue);
      if (answer == kAnswerBreak)
        return leaveFrom(i, failure(Reason::kBrokenOff, "the update was broken off"));
      if (answer == kAnswerNo) {
        leave(queue, failure(Reason::kDeclined, "declined"));
        continue;
      }
      if (answer == kAnswerAll)
        ask = nullptr;
    }
    updateQueue(log, index, queue, put);
    if (progress)
      progress(queue, i + 1, queues.size());
  }
  return true;
}

Status installNewPPD(Log& log, ProductPpdIndex& index, const QueueFile& file,
                     std::string& newName) {
  const std::string& queue = file.printer.queueName;
  newName.clear();
  log.printf(msg::kProcessingPpdFiles, queue.c_str());
  log.printf("PPD = %s.\n", file.productPpd.c_str());
  Status whole = logged(log, checkProductPpd(index, file.productPpd, file.packagePpd));
  if (!whole.ok())
    return whole;
  ProductPpdText& product = index.texts().textOf(file.productPpd);

  std::string dir = tmpPpdDir(log);
  std::string input, output;
  ScratchFiles scratch;
  Fd inFd = createTmpFile(dir, "orbin", input);
  if (inFd.valid())
    scratch.hold(input);
  Fd outFd = inFd.valid() ? createTmpFile(dir, "orbot", output) : Fd();
  if (!outFd.valid())
    return logged(log, failure(Reason::kNoTmpFile,
                               formatText("Cannot create a temporary file in %s for printer %s!\n",
                                          dir.c_str(), queue.c_str()),
                               errno));
  scratch.hold(output);
  Status status =
      logged(log, prepareInput(product, file.productPpd, std::move(inFd), input, queue));
  if (status.ok())
    status = logged(log, writeNewPpd(log, product, input, std::move(outFd), output, file));
  if (!status.ok())
    return status;
  scratch.release(output);
  newName = output;
  log.printf(msg::kNewPpdFor, queue.c_str(), newName.c_str());
  return status;
}

std::string backupName(const std::string& ppdPath, const std::string& queueName) {
  size_t ppdDir = ppdPath.find("/ppd");
  std::string base = ppdDir == std::string::npos ? ppdPath : ppdPath.substr(0, ppdDir + 1);
  std::string fileName = lastName(ppdPath);
  size_t ppd = fileName.find(".ppd");
  std::string rest = ppd == std::string::npos ? "" : fileName.substr(ppd + 4);
  return base + queueName + ".ppd" + rest + ".rpmsave";
}

Status backupPPD(Log& log, const std::string& ppdPath, const std::string& queueName) {
  std::string backup = backupName(ppdPath, queueName);
  if (backup.size() > kTextMax)
    return logged(log, failure(Reason::kBackupFailed,
                               formatText("Backup name longer than %zu characters refused: '%s'.",
                                          kTextMax, backup.c_str())));
  return savePPD(log, ppdPath, backup);
}

Status replacePPD(Log& log, const QueueFile& file, const std::string& newName) {
  const std::string& ppdPath = file.printer.ppdPath;
  Status changed;
  auto unchanged = [&file, &changed](const struct stat& replaced) {
    if (isOwnPpd(file.printer) && !(stampOf(replaced) == file.stamp))
      changed = failure(Reason::kChangedDuringRun,
                        formatText("The PPD %s changed while its new one was written: kept.",
                                   file.printer.ppdPath.c_str()));
    return changed.ok();
  };
  Status copy = copyWhole(newName, ppdPath, kKeepTargetMode, unchanged);
  log.printf(msg::kCopyingResult, newName.c_str(), ppdPath.c_str(), commandStatus(copy));
  return logged(log, changed.ok() ? copy : changed);
}

Status checkUnchanged(const QueueFile& file) {
  if (!isOwnPpd(file.printer) || stampOf(file.printer.ppdPath) == file.stamp)
    return Status();
  return failure(Reason::kChangedDuringRun,
                 formatText("The PPD %s changed after the run was planned: not replaced.",
                            file.printer.ppdPath.c_str()));
}

std::string tmpPpdDir(Log& log) {
  const char* dir = getenv("TMPDIR");
  struct stat st;
  if (!dir || !*dir || stat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
    return "/tmp";
  if (std::strlen(dir) + kLongestName > kTextMax) {
    log.printf("TMPDIR longer than %zu characters not used: '%s'.", kTextMax - kLongestName, dir);
    return "/tmp";
  }
  return dir;
}
