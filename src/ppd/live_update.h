// The live update (-L): each queue's rewritten PPD goes to the running
// scheduler, which stores it and uses it at once, instead of being copied
// over the queue's PPD file for a restart of CUPS to read.  On a large
// print server a restart leaves every queue without a scheduler for as
// long as it takes to read them all again; this way none is.
#ifndef LUMO_PPD_LIVE_UPDATE_H
#define LUMO_PPD_LIVE_UPDATE_H

#include <memory>
#include <string>

#include "ppd/printer_update.h"
#include "ppd/scheduler_link.h"

class Log;

class LiveUpdate {
 public:
  // cupsBaseDir: the prefix of the scheduler's files, its queues' PPD
  // files in cupsPpdDir(cupsBaseDir).  The connection is made at the first queue and held
  // until this object goes.
  LiveUpdate(Log& log, const std::string& cupsBaseDir, SchedulerAddress address);

  // The replace step of the printer update, valid while this object
  // lives.  A queue the scheduler has gets its PPD over IPP; one it does
  // not know, or every queue once no scheduler answers, gets the copy;
  // one it refuses keeps its PPD.
  ReplaceStep step();

  // True once a queue's PPD went in by copy: the scheduler reads it only
  // when CUPS restarts.
  bool needsRestart() const { return copied_; }

  // How many queues' new PPD the scheduler refused: they keep their PPD.
  int refusals() const { return refusals_; }

 private:
  Status replace(const QueueFile& file, const std::string& newName);
  Status refused(const PrinterEntry& printer, const SchedulerAnswer& answer);
  Status copyInstead(const QueueFile& file, const SchedulerAnswer& answer,
                     const std::string& newName);
  SchedulerLink& scheduler();

  Log& log_;
  std::string ppdDir_;
  SchedulerAddress address_;
  std::unique_ptr<SchedulerLink> link_;
  bool copied_ = false;
  int refusals_ = 0;
};

#endif
