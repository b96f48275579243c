// Undoing the queue update (-R): each queue on the product's PPD gets the
// earlier PPD its backup holds, with the defaults an administrator chose
// since the update carried back where the earlier PPD offers them.  The
// plan is a queue plan whose files are marked `undo`; the printer update
// carries it out.
#ifndef LUMO_PPD_UNDO_PLAN_H
#define LUMO_PPD_UNDO_PLAN_H

#include <string>
#include <vector>

#include "ppd/queue_plan.h"

// Plans the undo of each queue of the list (queues on the product's PPD;
// CUPS's older copies are passed over) without changing anything.  A
// queue without a backup, or whose backup is no PPD of the maker's older
// generation, is kept with its reason.  With a selection (-p) the others
// are kept, "not selected".
QueuePlans planUndo(ProductPpdIndex& index, const ProductPpdSource& source,
                    const PrinterList& printers, const std::vector<std::string>& selection = {});

// Where an undo keeps the queue's current PPD: beside its backup, so that
// the undo can itself be undone (".ppd.lumo4" for ".ppd.rpmsave").
std::string keptCurrentName(const std::string& ppdPath, const std::string& queueName);

#endif
