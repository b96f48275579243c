// The queues an installing run moves to the product's newer PPD files,
// planned before anything changes: for each queue the PPD it will get, or
// why it keeps its own, and each default's fate.  The printer update then
// works through the plan and records each queue's outcome in it.
#ifndef LUMO_PPD_QUEUE_PLAN_H
#define LUMO_PPD_QUEUE_PLAN_H

#include <map>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/status.h"
#include "ppd/default_decisions.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_list.h"

enum class QueueAction { kUpdate, kKeep };

// One PPD file of a queue on an older PPD: its own (Q.ppd), or CUPS's
// older copy beside it (Q.ppd.O).
struct QueueFile {
  PrinterEntry printer;     // the file, as the scan found it
  QueueAction action = QueueAction::kKeep;
  Status why;               // why it is kept
  FileStamp stamp;          // the file when the plan read its defaults
  std::string productPpd;   // the product PPD it gets; undoing, its backup
  std::string packagePpd;   // the package's file that one must equal
  bool undo = false;        // -R: the queue gets its earlier PPD back
  DefaultDecisions defaults;
  ItemState state = ItemState::kPlanned;
  Status status;            // why it was not updated
};

struct QueuePlan {
  std::string name;
  QueueAction action = QueueAction::kKeep;  // kUpdate when a file of it is
  Status why;                               // its first file's, when kept
  std::vector<QueueFile> files;
  ItemState state = ItemState::kPlanned;
  Status status;  // why it was not updated
};
using QueuePlans = std::vector<QueuePlan>;

// Where the product PPD files come from: the unpacked package's ppd/
// directory, and where the run installs them into the product PPD
// directory.  A queue gets the installed copy of the package's file for its
// model.  Otherwise the product PPD directory is searched, then the
// package's own files, then the product's own "/opt/oxa/ppd"; a file found
// is used only when it is byte for byte the package's.
struct ProductPpdSource {
  std::string packageDir;
  std::string ppdDir;                           // the product PPD directory
  std::map<std::string, std::string> installs;  // package file: its installed path
};

// The product PPD of the printer's model into file.productPpd, and the
// package's file it must equal into file.packagePpd.  False when the
// product has none.
bool findPlannedPpd(ProductPpdIndex& index, const ProductPpdSource& source,
                    const PrinterEntry& printer, QueueFile& file);

// Whether -p names the queue: every queue is selected when it names none.
bool isSelected(const std::vector<std::string>& selection, const std::string& queue);

// Whether the file is the queue's own PPD, the one the scheduler reads,
// rather than CUPS's older copy.
bool isOwnPpd(const PrinterEntry& printer);

// Plans each queue of the list (one plan per queue name, its files in list
// order) without changing anything.  With a selection (-p) the queues it
// does not name are kept, "not selected".  CUPS's older copy of a queue
// whose own PPD is not in the list is left out: the queue is current.
QueuePlans planQueues(ProductPpdIndex& index, const ProductPpdSource& source,
                      const PrinterList& printers,
                      const std::vector<std::string>& selection = {});

// Checks that the product PPD and the package's file are in places root
// alone can write and hold the same bytes (a copy cut short by a full disk
// still opens as a PPD, so nothing less proves it whole).
Status checkProductPpd(ProductPpdIndex& index, const std::string& productPpd,
                       const std::string& packagePpd);

// The package's own copy of a product PPD: <packageDir>/ppd/<name>, else
// /opt/oxa/ppd/<name>; empty when neither exists.
std::string packageCopy(const std::string& packageDir, const std::string& productPpd);

#endif
