// How one item of a run (a file, a queue, a path to delete) went, or why
// the plan leaves it alone: a reason code for scripts, a text for people
// and the system's error number where there is one.  The same value goes
// to the Log, into the plan's item and into the report.
#ifndef LUMO_BASE_STATUS_H
#define LUMO_BASE_STATUS_H

#include <string>

enum class Reason {
  kNone,
  kNoProductPpd,      // the queue's model has no product PPD: unsupported
  kNotPackageFile,    // a product PPD that is not the package's file
  kUntrusted,         // a file in a place others than root can write
  kUnreadablePpd,     // a PPD that libcups cannot read
  kNoDestination,     // a manifest entry whose target names no place
  kCopyFailed,
  kWriteFailed,
  kBackupFailed,
  kRemoveFailed,
  kDeclined,          // the administrator said no
  kBrokenOff,         // the administrator broke the update off
  kSchedulerRefused,
  kChangedDuringRun,  // what the plan was made from changed before its step
  kNoTmpFile,
  kInterrupted,       // a signal ended the run before the item's turn
  kNotSelected,       // -p named other queues
  kNoBackup,          // no backup of the queue's earlier PPD to undo to
};

struct Status {
  Reason reason = Reason::kNone;
  std::string text;
  int error = 0;  // errno, when a system call failed

  bool ok() const { return reason == Reason::kNone; }
};

// A status that is not done; the text's closing line feeds go, the Log
// adds its own.
Status failure(Reason reason, std::string text, int error = 0);

// The code the report and the manual page use, e.g. "no-product-ppd".
const char* reasonCode(Reason reason);

// A fault is what a rerun or the administrator can mend.  A queue of an
// unsupported model, one with nothing to undo to, and the administrator's
// own answers, selections and signals are none.
bool isFault(Reason reason);

// What became of a planned item.
enum class ItemState {
  kPlanned,  // not reached: a preview, or a run that stopped before it
  kDone,
  kFailed,   // tried, and the status says why not
  kLeft,     // left alone, as planned or as the administrator answered
};

const char* stateName(ItemState state);

#endif
