#include "ppd/printer_update.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "discovery/tmp_name.h"
#include "driver/log.h"
#include "driver/questions.h"
#include "driver/run_settings.h"
#include "ppd/copy_file.h"
#include "ppd/cups_restart.h"
#include "ppd/option_carry_over.h"
#include "ppd/ppd_match.h"
#include "ppd/ppd_tmp_files.h"
#include "ppd/printer_config.h"

namespace {

// Copies a file in process and logs the message "... %s to %s: result=%d"
// with the source, the target and the copy's status in the place of a
// command's: 0 when done, else -1 and the reason on a line of its own.
int copyReported(Msg message, const std::string& from, const std::string& to) {
  int done = copyFile(from, to);
  int reason = errno;
  logFormat(catalogue(message), from.c_str(), to.c_str(), done ? 0 : -1);
  if (!done)
    logFormat("Cannot copy %s to %s: %s.", from.c_str(), to.c_str(), std::strerror(reason));
  return done;
}

// Writes the found product PPD, decompressed, through the input copy's
// open descriptor, which it closes.  False after logging why not.
bool prepareInput(const std::string& found, int fd, const std::string& input,
                  const std::string& queue) {
  bool done = copyUncompressed(found, fd);
  done = close(fd) == 0 && done;
  if (done)
    return true;
  if (found.find(".gz") != std::string::npos)
    logFormat(catalogue(kProblemDecompressing), input.c_str(), queue.c_str());
  else
    logFormat("Problem copying: %s to %s for printer %s!\n", found.c_str(), input.c_str(),
              queue.c_str());
  return false;
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

  std::string dir = tmpPpdDir();
  std::string input, output;
  ScratchFiles scratch;
  int inFd = createTmpFile(dir, "orbin", input);
  if (inFd >= 0)
    scratch.hold(input);
  int outFd = inFd < 0 ? -1 : createTmpFile(dir, "orbot", output);
  if (outFd < 0) {
    if (inFd >= 0)
      close(inFd);
    logFormat("Cannot create a temporary file in %s for printer %s!\n", dir.c_str(),
              queue.c_str());
    return 0;
  }
  scratch.hold(output);
  if (!prepareInput(found, inFd, input, queue)) {
    close(outFd);
    return 0;
  }
  if (!writeNewPpd(input, outFd, output, head, count, queue))
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
  return copyReported(kSavingResult, ppdPath, backup);
}

int replacePPD(const std::string& ppdPath, const std::string& newName) {
  return copyReported(kCopyingResult, newName, ppdPath);
}
