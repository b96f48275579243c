// The printer update: the queues the plan moves to the product's newer PPD
// get it, each with the defaults the plan decided to carry over.
#ifndef LUMO_PPD_PRINTER_UPDATE_H
#define LUMO_PPD_PRINTER_UPDATE_H

#include <functional>
#include <string>

#include "base/status.h"
#include "ppd/ppd_match.h"
#include "ppd/queue_plan.h"

class Log;

// Asks the administrator about one queue: yes, no, all or break (the codes
// of base/answer.h).
using QueueQuestion = std::function<int(const QueuePlan& queue)>;

// Told after each queue the update went through, with how many of all are
// done.
using UpdateProgress = std::function<void(QueuePlan& queue, size_t done, size_t total)>;

// Puts a printer's rewritten PPD (the file newName) in the place of its
// old one; a failure leaves the old one in use.
using ReplaceStep = std::function<Status(const QueueFile& file, const std::string& newName)>;

// Whether the run is to stop before the next queue.
using StopCheck = std::function<bool()>;

// Works through the plan's queues in order, asking before each queue to be
// updated while `ask` is set (an answer "all" stops the asking, "break"
// the update), and records each file's and queue's outcome in the plan.
// A queue the plan keeps has its reason logged.  Each new PPD is put in
// place by `replace`, without it by copying.  Before each queue `stop` is
// asked: the queues left then are recorded as interrupted.  False when
// the update was broken off or interrupted.
bool updateQueues(Log& log, ProductPpdIndex& index, QueuePlans& queues, QueueQuestion ask,
                  const UpdateProgress& progress = nullptr, const ReplaceStep& replace = nullptr,
                  const StopCheck& stop = nullptr);

// Writes the file's product PPD, with its carried defaults, into a new
// temporary file whose name goes into newName.  The product PPD is taken
// only when it has the content of the package's own file.  Done when the
// new file is complete and readable as a PPD; otherwise newName is empty,
// no temporary file is left and the reason is logged.
Status installNewPPD(Log& log, ProductPpdIndex& index, const QueueFile& file,
                     std::string& newName);

// The backup name of a queue's PPD: the path up to the slash before its
// first "/ppd" (or the whole path), the queue name, ".ppd", whatever the
// file's name has after its ".ppd" (".O" for CUPS's older copy, so that
// Q.ppd.rpmsave always holds the queue's own PPD) and ".rpmsave".
std::string backupName(const std::string& ppdPath, const std::string& queueName);

// Copies the PPD to its backup name, whole or not at all, and logs
// "saving %s to %s: result=%d".
Status backupPPD(Log& log, const std::string& ppdPath, const std::string& queueName);

// Puts the rewritten PPD in the place of the file's PPD, whole or not at
// all, keeping the PPD's owner, group and permission bits, and logs
// "Copying %s to %s: result=%d"; a failure leaves the PPD as it was.  Just
// before it takes the place, the queue's own PPD must still be the file
// the plan read (checkUnchanged).
Status replacePPD(Log& log, const QueueFile& file, const std::string& newName);

// The queue's own PPD is the file the plan read its defaults from: a
// change since (an administrator's lpadmin) would be lost with defaults
// decided before it.  CUPS's older copy is the scheduler's to rewrite (it
// keeps the PPD a queue had there when it takes a new one) and holds no
// settings in use.
Status checkUnchanged(const QueueFile& file);

// $TMPDIR when it names a directory, else "/tmp".
std::string tmpPpdDir(Log& log);

#endif
