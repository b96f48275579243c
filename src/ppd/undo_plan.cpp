#include "ppd/undo_plan.h"

#include <map>
#include <utility>

#include "base/files.h"
#include "base/log.h"
#include "base/text.h"
#include "ppd/printer_scan.h"
#include "ppd/printer_update.h"

namespace {

using Defaults = std::map<std::string, std::string>;

Defaults defaultsOf(const OptionList& options) {
  Defaults defaults;
  for (const OptionEntry& option : options)
    defaults[option.keyword] = option.choice;
  return defaults;
}

// The defaults the update wrote: the earlier PPD's, where the product PPD
// offers them, and the product PPD's own for the rest.
Defaults writtenByTheUpdate(const OptionList& earlier, const OfferedOptions& product) {
  Defaults written;
  for (const OfferedOption& option : product)
    written[option.keyword] = option.defaultChoice;
  for (const DefaultDecision& d : decideDefaults(earlier, product))
    if (d.kind == DefaultKind::kCarried)
      written[d.newKeyword] = d.newChoice;
  return written;
}

// The defaults chosen since the update: the queue's own that differ from
// what the update wrote (all that differ from the earlier PPD's when the
// product PPD cannot be read).
OptionList chosenSince(const OptionList& current, const Defaults& written) {
  OptionList changed;
  for (const OptionEntry& option : current) {
    auto was = written.find(option.keyword);
    if (was == written.end() || was->second != option.choice)
      changed.push_back({option.keyword, option.choice, int(changed.size()) + 1});
  }
  return changed;
}

// Whether the backup is one of the maker's PPDs of the older generation.
bool isEarlierPpd(Log& log, const std::string& backup, const std::string& queue) {
  File in = openRegularFile(backup);
  if (!in)
    return false;
  ModelMatcher matcher;
  PrinterList found;
  scanPpdStream(log, matcher, in.get(), backup, queue + ".ppd", kOldPpdVersion, found);
  return !found.empty();
}

Status planUndoFile(ProductPpdIndex& index, const ProductPpdSource& source, QueueFile& file) {
  const PrinterEntry& printer = file.printer;
  std::string backup = backupName(printer.ppdPath, printer.queueName);
  Log quiet;
  quiet.discard();
  if (!isEarlierPpd(quiet, backup, printer.queueName))
    return failure(Reason::kNoBackup,
                   formatText("no backup of an earlier PPD of the maker's: %s", backup.c_str()));
  std::optional<OfferedOptions> earlierOffered = readOfferedOptions(backup);
  OptionList earlier, current;
  if (!earlierOffered || !collectDefaults(backup, earlier))
    return failure(Reason::kUnreadablePpd,
                   formatText("Problem reading: %s as a PPD for printer %s!", backup.c_str(),
                              printer.queueName.c_str()));
  file.stamp = stampOf(printer.ppdPath);
  collectDefaults(printer.ppdPath, current);
  QueueFile product;
  std::optional<OfferedOptions> productOffered;
  if (findPlannedPpd(index, source, printer, product))
    productOffered = readOfferedOptions(product.packagePpd.empty() ? product.productPpd
                                                                   : product.packagePpd);
  Defaults written = productOffered ? writtenByTheUpdate(earlier, *productOffered)
                                    : defaultsOf(earlier);
  file.productPpd = backup;
  file.defaults = decideDefaults(chosenSince(current, written), *earlierOffered);
  return Status();
}

}  // namespace

QueuePlans planUndo(ProductPpdIndex& index, const ProductPpdSource& source,
                    const PrinterList& printers, const std::vector<std::string>& selection) {
  QueuePlans queues;
  for (const PrinterEntry& printer : printers) {
    if (!isOwnPpd(printer))
      continue;
    QueueFile file;
    file.printer = printer;
    file.undo = true;
    file.why = isSelected(selection, printer.queueName)
                   ? planUndoFile(index, source, file)
                   : failure(Reason::kNotSelected, "not selected");
    file.action = file.why.ok() ? QueueAction::kUpdate : QueueAction::kKeep;
    QueuePlan queue;
    queue.name = printer.queueName;
    queue.action = file.action;
    queue.why = file.why;
    queue.files.push_back(std::move(file));
    queues.push_back(std::move(queue));
  }
  return queues;
}

std::string keptCurrentName(const std::string& ppdPath, const std::string& queueName) {
  std::string backup = backupName(ppdPath, queueName);
  return backup.substr(0, backup.size() - std::string(".rpmsave").size()) + ".lumo4";
}
