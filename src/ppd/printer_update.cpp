#include "ppd/printer_update.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "base/answer.h"
#include "base/copy_file.h"
#include "base/files.h"
#include "base/log.h"
#include "base/text.h"
#include "base/tmp_file.h"
#include "ppd/option_carry_over.h"
#include "ppd/printer_config.h"

namespace {

// The longest name created: "/orbinXXXXXX" after the directory.
constexpr size_t kLongestName = 12;

// The unpacked product's own directory, whatever directory setup started in.
const char kProductDir[] = "/opt/oxa";

// A copy made in process, logged like a command: its status (0 done, -1
// failed) on the caller's line, the reason of a failure on a line of its own.
struct CopyResult {
  bool done;
  int reason;
  int status() const { return done ? 0 : -1; }
};

CopyResult copyWhole(const std::string& from, const std::string& to) {
  bool done = copyFile(from, to);
  return {done, errno};
}

bool logCopyFailure(Log& log, const CopyResult& copy, const std::string& from,
                    const std::string& to) {
  if (!copy.done)
    log.printf("Cannot copy %s to %s: %s.", from.c_str(), to.c_str(), std::strerror(copy.reason));
  return copy.done;
}

// Writes the product PPD's text through the input copy's open descriptor,
// which it closes.  False after logging why not.
bool prepareInput(Log& log, const ProductPpdText& product, const std::string& found, Fd fd,
                  const std::string& input, const std::string& queue) {
  bool done = product.whole() && writeAll(fd.get(), product.text());
  done = fd.close() && done;
  if (done)
    return true;
  if (found.find(".gz") != std::string::npos)
    log.printf(msg::kProblemDecompressing, input.c_str(), queue.c_str());
  else
    log.printf("Problem copying: %s to %s for printer %s!\n", found.c_str(), input.c_str(),
               queue.c_str());
  return false;
}

// Rewrites the product PPD's text, which the input copy holds, into the
// output file, whose descriptor it takes over.  False after logging why
// not: the text is no readable PPD, or the output was not written whole.
// (The text is the package's, byte for byte, and the rewrite changes only
// default lines, so a whole write is a readable PPD.)
bool writeNewPpd(Log& log, ProductPpdText& product, const std::string& input, Fd outFd,
                 const std::string& output, OptionList& options, const std::string& queue) {
  File out = streamOf(std::move(outFd), "w");
  if (!out) {
    log.printf(msg::kProblemOpening, output.c_str(), queue.c_str());
    return false;
  }
  File in = textStream(product.text());
  if (!in) {
    log.printf(msg::kProblemOpening, input.c_str(), queue.c_str());
    return false;
  }
  bool readable = keepOfferedChoices(log, product.options(input), options);
  if (readable)
    processNewPPD(log, in.get(), out.get(), options);
  bool written = !std::ferror(in.get()) && !std::ferror(out.get());
  written = closeFile(out) && written;

  if (!readable) {
    log.printf("Problem reading: %s as a PPD for printer %s!\n", input.c_str(), queue.c_str());
    return false;
  }
  if (!written)
    log.printf("Problem writing: %s for printer %s!\n", output.c_str(), queue.c_str());
  return written;
}

QueueResult keptPrinter(const PrinterEntry& printer, const char* reason) {
  QueueResult result;
  result.queue = printer.queueName;
  result.ppdPath = printer.ppdPath;
  result.reason = reason;
  return result;
}

// The package's own copy of a product PPD file: <packageDir>/ppd/<name>,
// else /opt/oxa/ppd/<name>; empty when neither exists.
std::string packageCopy(const std::string& packageDir, const std::string& found) {
  std::string name = lastName(found);
  for (const std::string& dir : {packageDir, std::string(kProductDir)}) {
    std::string copy = dir + "/ppd/" + name;
    if (!dir.empty() && access(copy.c_str(), F_OK) == 0)
      return copy;
  }
  return std::string();
}

// A product PPD is used only when it is byte for byte the package's file:
// a copy cut short by a full disk still opens as a PPD, so nothing less
// proves it whole.  The comparison is made once per file and run, like the
// reading of its text.
bool isWholeProductPpd(Log& log, ProductPpdText& product, const std::string& found,
                       const std::string& packageDir) {
  std::string copy = packageCopy(packageDir, found);
  if (copy.empty()) {
    log.printf("Product PPD %s has no copy in the package to check it against: not used.\n",
               found.c_str());
    return false;
  }
  if (!product.sameAs(copy)) {
    log.printf("Product PPD %s is not the same as the package's %s: not used.\n", found.c_str(),
               copy.c_str());
    return false;
  }
  return true;
}

// One printer: collect its defaults, back up its PPD, write the new one and
// put it in place; its configuration marker follows a replaced PPD only.
QueueResult updatePrinter(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                          const std::string& packageDir, const PrinterEntry& printer,
                          const ReplaceStep& replace) {
  QueueResult result = keptPrinter(printer, "");
  const char* queue = printer.queueName.c_str();
  const char* ppdPath = printer.ppdPath.c_str();
  log.message(std::string(58, '='));
  log.printf(msg::kPrinterWithPpd, queue, ppdPath);
  collectDefaults(printer.ppdPath, result.defaults);
  result.carried = result.defaults;

  if (backupPPD(log, printer.ppdPath, printer.queueName)) {
    std::string newName;
    if (!installNewPPD(log, index, ppdDir, packageDir, result.carried, printer, newName,
                       &result.productPpd))
      result.reason = result.productPpd.empty() ? "no product PPD for its model"
                                                : "the new PPD could not be prepared";
    else
      result.updated = replace(printer, newName, result.reason);
    if (!newName.empty())
      unlink(newName.c_str());
  } else {
    log.printf("No backup of %s: the PPD is not replaced.\n", ppdPath);
    result.reason = "no backup of its PPD";
  }
  if (result.updated)
    processPrinterConfig(log, printer.queueName);
  else
    log.printf("Printer %s keeps its PPD %s.\n", queue, ppdPath);
  if (!result.updated)
    result.carried.clear();
  return result;
}

}  // namespace

bool updatePrinters(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                    const std::string& packageDir, const PrinterList& printers,
                    PrinterQuestion ask, QueueResults& results, const UpdateProgress& progress,
                    const ReplaceStep& replace) {
  ReplaceStep put = replace;
  if (!put)
    put = [&log](const PrinterEntry& printer, const std::string& newName, std::string& reason) {
      return copyOverPpd(log, printer, newName, reason);
    };
  std::map<std::string, bool> answered;  // queue name: update it
  for (size_t i = 0; i < printers.size(); ++i) {
    const PrinterEntry& printer = printers[i];
    auto earlier = answered.find(printer.queueName);
    if (earlier != answered.end() && !earlier->second) {
      results.push_back(keptPrinter(printer, kDeclinedReason));
      continue;
    }
    if (ask && earlier == answered.end()) {
      int answer = ask(printer);
      if (answer == kAnswerBreak) {
        for (; i < printers.size(); ++i)
          results.push_back(keptPrinter(printers[i], kBrokenOffReason));
        return false;
      }
      answered[printer.queueName] = answer != kAnswerNo;
      if (answer == kAnswerNo) {
        results.push_back(keptPrinter(printer, kDeclinedReason));
        continue;
      }
      if (answer == kAnswerAll)
        ask = nullptr;
    }
    results.push_back(updatePrinter(log, index, ppdDir, packageDir, printer, put));
    if (progress)
      progress(results.back(), i + 1, printers.size());
  }
  return true;
}

bool installNewPPD(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                   const std::string& packageDir, OptionList& options,
                   const PrinterEntry& printer, std::string& newName, std::string* productPpd) {
  const std::string& queue = printer.queueName;
  newName.clear();
  log.printf(msg::kProcessingPpdFiles, queue.c_str());
  std::string found;
  if (!findProductPpd(log, index, ppdDir, printer, found)) {
    log.message(msg::kPpdNotFound);
    return false;
  }
  log.printf("PPD = %s.\n", found.c_str());
  if (productPpd)
    *productPpd = found;
  ProductPpdText& product = index.texts().textOf(found);
  if (!isWholeProductPpd(log, product, found, packageDir))
    return false;

  std::string dir = tmpPpdDir(log);
  std::string input, output;
  ScratchFiles scratch;
  Fd inFd = createTmpFile(dir, "orbin", input);
  if (inFd.valid())
    scratch.hold(input);
  Fd outFd = inFd.valid() ? createTmpFile(dir, "orbot", output) : Fd();
  if (!outFd.valid()) {
    log.printf("Cannot create a temporary file in %s for printer %s!\n", dir.c_str(),
               queue.c_str());
    return false;
  }
  scratch.hold(output);
  if (!prepareInput(log, product, found, std::move(inFd), input, queue))
    return false;
  if (!writeNewPpd(log, product, input, std::move(outFd), output, options, queue))
    return false;
  scratch.release(output);
  newName = output;
  log.printf(msg::kNewPpdFor, queue.c_str(), newName.c_str());
  return true;
}

std::string backupName(const std::string& ppdPath, const std::string& queueName) {
  size_t ppdDir = ppdPath.find("/ppd");
  std::string base = ppdDir == std::string::npos ? ppdPath : ppdPath.substr(0, ppdDir + 1);
  std::string fileName = lastName(ppdPath);
  size_t ppd = fileName.find(".ppd");
  std::string rest = ppd == std::string::npos ? "" : fileName.substr(ppd + 4);
  return base + queueName + ".ppd" + rest + ".rpmsave";
}

bool backupPPD(Log& log, const std::string& ppdPath, const std::string& queueName) {
  std::string backup = backupName(ppdPath, queueName);
  if (backup.size() > kTextMax) {
    log.printf("Backup name longer than %zu characters refused: '%s'.", kTextMax, backup.c_str());
    return false;
  }
  CopyResult copy = copyWhole(ppdPath, backup);
  log.printf(msg::kSavingResult, ppdPath.c_str(), backup.c_str(), copy.status());
  return logCopyFailure(log, copy, ppdPath, backup);
}

bool replacePPD(Log& log, const std::string& ppdPath, const std::string& newName) {
  CopyResult copy = copyWhole(newName, ppdPath);
  log.printf(msg::kCopyingResult, newName.c_str(), ppdPath.c_str(), copy.status());
  return logCopyFailure(log, copy, newName, ppdPath);
}

bool copyOverPpd(Log& log, const PrinterEntry& printer, const std::string& newName,
                 std::string& reason) {
  if (replacePPD(log, printer.ppdPath, newName))
    return true;
  reason = "the new PPD could not be put in place";
  return false;
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
