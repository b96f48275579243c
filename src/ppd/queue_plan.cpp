#include "ppd/queue_plan.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "base/log.h"
#include "base/text.h"
#include "base/trusted_path.h"

namespace {

// The unpacked product's own directory, whatever directory setup started in.
const char kProductDir[] = "/opt/oxa";

// What the product PPDs offer, read once per file and run.
class OfferedCache {
 public:
  const OfferedOptions* of(const std::string& path) {
    auto found = read_.find(path);
    if (found == read_.end())
      found = read_.emplace(path, readOfferedOptions(path)).first;
    return found->second ? &*found->second : nullptr;
  }

 private:
  std::map<std::string, std::optional<OfferedOptions>> read_;
};

// A product PPD, or the package's file it is checked against, in a place
// anyone but root could have written: its content proves nothing.
Status checkRootOnly(const std::string& path) {
  if (access(path.c_str(), F_OK) != 0)
    return failure(Reason::kNotPackageFile,
                   formatText("Product PPD %s is not there: not used.", path.c_str()), errno);
  std::string why;
  if (isRootOnlyPath(path, &why))
    return Status();
  return failure(Reason::kUntrusted,
                 formatText("Product PPD %s passed over: %s.", path.c_str(), why.c_str()));
}

bool findIn(ProductPpdIndex& index, const std::string& dir, const PrinterEntry& printer,
            std::string& path) {
  Log quiet;
  quiet.discard();
  return access(dir.c_str(), F_OK) == 0 &&
         index.findInDir(quiet, dir, printer.modelName, printer.pdlKind, printer.modelId, path);
}

// The package's file the plan reads the product PPD's options from: the
// one that is, or will be, installed.
Status planFile(ProductPpdIndex& index, OfferedCache& offered, const ProductPpdSource& source,
                QueueFile& file) {
  const PrinterEntry& printer = file.printer;
  if (!findPlannedPpd(index, source, printer, file))
    return failure(Reason::kNoProductPpd, "no product PPD for its model");
  // The installed copy is checked once it is there; the package's file it
  // will be a copy of must be root's alone now.
  bool installed = source.installs.count(file.packagePpd) > 0;
  Status usable = installed ? checkRootOnly(file.packagePpd)
                            : checkProductPpd(index, file.productPpd, file.packagePpd);
  if (!usable.ok())
    return usable;
  const OfferedOptions* options = offered.of(file.packagePpd);
  if (!options)
    return failure(Reason::kUnreadablePpd,
                   formatText("Problem reading: %s as a PPD for printer %s!",
                              file.packagePpd.c_str(), printer.queueName.c_str()));
  OptionList defaults;
  file.stamp = stampOf(printer.ppdPath);
  collectDefaults(printer.ppdPath, defaults);
  file.defaults = decideDefaults(defaults, *options);
  return Status();
}

QueuePlan& queueNamed(QueuePlans& queues, const std::string& name) {
  for (QueuePlan& queue : queues)
    if (queue.name == name)
      return queue;
  queues.push_back(QueuePlan());
  queues.back().name = name;
  return queues.back();
}

}  // namespace

// The product PPD of the printer's model, and the package's file it must
// equal.  False when the product has none.
bool findPlannedPpd(ProductPpdIndex& index, const ProductPpdSource& source,
                    const PrinterEntry& printer, QueueFile& file) {
  std::string packaged;
  bool inPackage = findIn(index, source.packageDir + "/ppd", printer, packaged);
  auto installed = source.installs.find(packaged);
  if (inPackage && installed != source.installs.end()) {
    file.productPpd = installed->second;
    file.packagePpd = packaged;
    return true;
  }
  std::string found;
  if (!findIn(index, source.ppdDir, printer, found)) {
    if (inPackage)
      found = packaged;
    else if (!findIn(index, std::string(kProductDir) + "/ppd", printer, found))
      return false;
  }
  file.productPpd = found;
  file.packagePpd = packageCopy(source.packageDir, found);
  return true;
}


QueuePlans planQueues(ProductPpdIndex& index, const ProductPpdSource& source,
                      const PrinterList& printers, const std::vector<std::string>& selection) {
  QueuePlans queues;
  OfferedCache offered;
  for (const PrinterEntry& printer : printers) {
    QueueFile file;
    file.printer = printer;
    file.why = isSelected(selection, printer.queueName)
                   ? planFile(index, offered, source, file)
                   : failure(Reason::kNotSelected, "not selected");
    file.action = file.why.ok() ? QueueAction::kUpdate : QueueAction::kKeep;
    if (file.action == QueueAction::kKeep)
      file.defaults.clear();
    QueuePlan& queue = queueNamed(queues, printer.queueName);
    // The queue's own PPD comes first, whatever the directory's order.
    auto place = isOwnPpd(printer) ? queue.files.begin() : queue.files.end();
    queue.files.insert(place, std::move(file));
  }
  // CUPS keeps a queue's previous PPD as Q.ppd.O when the queue gets a new
  // one, as after a live update.  When the queue's own PPD is not among the
  // older ones, that copy is only the scheduler's backup: moving it would
  // make every later run change it again.
  queues.erase(std::remove_if(queues.begin(), queues.end(),
                              [](const QueuePlan& queue) {
                                return !isOwnPpd(queue.files.front().printer);
                              }),
               queues.end());
  for (QueuePlan& queue : queues) {
    bool update = std::any_of(queue.files.begin(), queue.files.end(), [](const QueueFile& f) {
      return f.action == QueueAction::kUpdate;
    });
    queue.action = update ? QueueAction::kUpdate : QueueAction::kKeep;
    if (!update)
      queue.why = queue.files.front().why;
  }
  return queues;
}

bool isSelected(const std::vector<std::string>& selection, const std::string& queue) {
  return selection.empty() ||
         std::find(selection.begin(), selection.end(), queue) != selection.end();
}

bool isOwnPpd(const PrinterEntry& printer) {
  return lastName(printer.ppdPath) == printer.queueName + ".ppd";
}

std::string packageCopy(const std::string& packageDir, const std::string& productPpd) {
  std::string name = lastName(productPpd);
  for (const std::string& dir : {packageDir, std::string(kProductDir)}) {
    std::string copy = dir + "/ppd/" + name;
    if (!dir.empty() && access(copy.c_str(), F_OK) == 0)
      return copy;
  }
  return std::string();
}

Status checkProductPpd(ProductPpdIndex& index, const std::string& productPpd,
                       const std::string& packagePpd) {
  if (packagePpd.empty())
    return failure(Reason::kNotPackageFile,
                   formatText("Product PPD %s has no copy in the package to check it against: "
                              "not used.", productPpd.c_str()));
  // The package's own file is no proof of itself: only its place, root's
  // alone, vouches for it.
  for (const std::string& path : {productPpd, packagePpd}) {
    Status trusted = checkRootOnly(path);
    if (!trusted.ok())
      return trusted;
  }
  if (!index.texts().textOf(productPpd).sameAs(packagePpd))
    return failure(Reason::kNotPackageFile,
                   formatText("Product PPD %s is not the same as the package's %s: not used.",
                              productPpd.c_str(), packagePpd.c_str()));
  return Status();
}
