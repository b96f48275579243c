#include "ppd/printer_update.h"

#include <unistd.h>

#include <cstdio>
#include <new>

#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/questions.h"
#include "driver/run_settings.h"
#include "driver/shell.h"
#include "ppd/copy_file.h"
#include "ppd/cups_restart.h"
#include "ppd/option_carry_over.h"
#include "ppd/ppd_match.h"
#include "ppd/ppd_tmp_files.h"
#include "ppd/printer_config.h"

namespace {

// "cp -f from to" through the shell; returns its status.
int runCopy(const std::string& from, const std::string& to) {
  return runShell(formatText("%s -f %s %s", shellWord(toolPath(kToolCp)).c_str(),
                             shellWord(from).c_str(), shellWord(to).c_str()));
}

// Gets the found product PPD into the input copy, decompressed.  False
// after logging why not.
bool prepareInput(const std::string& found, bool compressed, const std::string& plain,
                  const std::string& gz, const std::string& queue, ScratchFiles& scratch) {
  const std::string& copy = compressed ? gz : plain;
  if (!copyFile(found, copy)) {
    logFormat("Problem copying: %s to %s for printer %s!\n", found.c_str(), copy.c_str(),
              queue.c_str());
    return false;
  }
  if (!compressed)
    return true;
  // gzip creates the decompressed file itself, exclusively: the reserved
  // empty one must go first, and the name is not ours again until gzip has
  // made it.
  unlink(plain.c_str());
  scratch.release(plain);
  int status = runShell(formatText("%s -d %s", shellWord(toolPath(kToolGzip)).c_str(),
                                   shellWord(gz).c_str()));
  if (status != 0) {
    logFormat(catalogue(kProblemDecompressing), gz.c_str(), queue.c_str());
    return false;
  }
  scratch.hold(plain);
  return true;
}

// Rewrites the input copy into the output file, whose descriptor it takes
// over.  False after logging why the output is no complete, readable PPD.
bool writeNewPpd(const std::string& input, int outFd, const std::string& output,
                 OptionEntry* head, int& count, const std::string& queue) {
  FILE* out = fdopen(outFd, "w");
  if (!out) {
    close(outFd);
    logFormat(catalogue(kProblemOpening), output.c_str(), queue.c_str());
    return false;
  }
  FILE* in = std::fopen(input.c_str(), "r");
  if (!in) {
    std::fclose(out);
    logFormat(catalogue(kProblemOpening), input.c_str(), queue.c_str());
    return false;
  }
  bool readable = keepOfferedChoices(input, head, count);
  if (readable)
    processNewPPD(in, out, head, count);
  bool written = !std::ferror(in) && !std::ferror(out);
  std::fclose(in);
  written = std::fclose(out) == 0 && written;

  if (!readable || (written && !isReadablePpd(output))) {
    logFormat("Problem reading: %s as a PPD for printer %s!\n",
              readable ? output.c_str() : input.c_str(), queue.c_str());
    return false;
  }
  if (!written)
    logFormat("Problem writing: %s for printer %s!\n", output.c_str(), queue.c_str());
  return written;
}

// One printer: collect its defaults, back up its PPD, write the new one and
// put it in place; its configuration marker follows a replaced PPD only.
void updatePrinter(const std::string& ppdDir, OptionEntry* options, const PrinterEntry& printer) {
  const char* queue = printer.queueName.c_str();
  const char* ppdPath = printer.ppdPath.c_str();
  int optionCount = 0;
  logMessage(std::string(58, '='));
  logFormat(catalogue(kPrinterWithPpd), queue, ppdPath);
  collectDefaults(printer.ppdPath, options, optionCount);

  bool replaced = false;
  if (backupPPD(printer.ppdPath, printer.queueName)) {
    std::string newName;
    replaced = installNewPPD(ppdDir, options, optionCount, printer, newName) &&
               replacePPD(printer.ppdPath, newName);
    if (!newName.empty())
      unlink(newName.c_str());
  } else {
    logFormat("No backup of %s: the PPD is not replaced.\n", ppdPath);
  }
  if (replaced)
    processPrinterConfig(printer.queueName);
  else
    logFormat("Printer %s keeps its PPD %s.\n", queue, ppdPath);
  clearOptList(options);
}

}  // namespace

int updatePrinters(const std::string& ppdDir, PrinterEntry* head, int count, int ask) {
  OptionEntry* options = new (std::nothrow) OptionEntry;
  if (!options) {
    logMessage(catalogue(kNoMemoryOptionList));
    return 0;
  }
  PrinterEntry* printer = head;
  for (int i = 0; i < count; ++i, printer = printer->next) {
    if (ask) {
      std::string question = formatText(catalogue(kAskUpdatePrinter), printer->queueName.c_str());
      int answer = askYesNoAllBreak(question);
      if (answer == kAnswerBreak) {
        delete options;
        return 1;
      }
      if (answer == kAnswerNo)
        continue;
      if (answer == kAnswerAll)
        ask = 0;
    }
    updatePrinter(ppdDir, options, *printer);
  }
  delete options;
  restartCups();
  return 1;
}

int installNewPPD(const std::string& ppdDir, OptionEntry* head, int count,
                  const PrinterEntry& printer, std::string& newName) {
  const std::string& queue = printer.queueName;
  newName.clear();
  logFormat(catalogue(kProcessingPpdFiles), queue.c_str());
  std::string found;
  if (!findProductPpd(ppdDir, printer, found)) {
    logMessage(catalogue(kPpdNotFound));
    return 0;
  }
  logFormat("PPD = %s.\n", found.c_str());

  bool compressed = found.find(".gz") != std::string::npos;
  std::string dir = tmpPpdDir();
  std::string plain, gz, output;
  ScratchFiles scratch;
  int outFd = -1;
  if (reserveInputCopy(dir, compressed, plain, gz)) {
    scratch.hold(plain);
    if (compressed)
      scratch.hold(gz);
    outFd = createTmpFile(dir, "orbot", "", output);
  }
  if (outFd < 0) {
    logFormat("Cannot create a temporary file in %s for printer %s!\n", dir.c_str(),
              queue.c_str());
    return 0;
  }
  scratch.hold(output);
  if (!prepareInput(found, compressed, plain, gz, queue, scratch)) {
    close(outFd);
    return 0;
  }
  if (!writeNewPpd(plain, outFd, output, head, count, queue))
    return 0;
  scratch.release(output);
  newName = output;
  logFormat(catalogue(kNewPpdFor), queue.c_str(), newName.c_str());
  return 1;
}

std::string backupName(const std::string& ppdPath, const std::string& queueName) {
  size_t ppdDir = ppdPath.find("/ppd");
  std::string base = ppdDir == std::string::npos ? ppdPath : ppdPath.substr(0, ppdDir + 1);
  return base + queueName + ".ppd.rpmsave";
}

int backupPPD(const std::string& ppdPath, const std::string& queueName) {
  std::string backup = backupName(ppdPath, queueName);
  if (backup.size() > kTextMax) {
    logFormat("Backup name longer than %zu characters refused: '%s'.", kTextMax, backup.c_str());
    return 0;
  }
  int status = runCopy(ppdPath, backup);
  logFormat(catalogue(kSavingResult), ppdPath.c_str(), backup.c_str(), status);
  return status == 0 ? 1 : 0;
}

int replacePPD(const std::string& ppdPath, const std::string& newName) {
  std::string staged = stageBeside(ppdPath);
  if (staged.empty()) {
    logFormat("Cannot create a file beside %s: the PPD is not replaced.\n", ppdPath.c_str());
    return 0;
  }
  int status = runCopy(newName, staged);
  logFormat(catalogue(kCopyingResult), newName.c_str(), ppdPath.c_str(), status);
  if (status != 0) {
    unlink(staged.c_str());
    return 0;
  }
  if (!replaceByStaged(staged, ppdPath)) {
    logFormat("Cannot put %s in the place of %s.\n", staged.c_str(), ppdPath.c_str());
    return 0;
  }
  return 1;
}
