#include "base/status.h"

Status failure(Reason reason, std::string text, int error) {
  while (!text.empty() && text.back() == '\n')
    text.pop_back();
  return Status{reason, std::move(text), error};
}

const char* reasonCode(Reason reason) {
  switch (reason) {
    case Reason::kNone: return "";
    case Reason::kNoProductPpd: return "no-product-ppd";
    case Reason::kNotPackageFile: return "not-package-file";
    case Reason::kUntrusted: return "untrusted";
    case Reason::kUnreadablePpd: return "unreadable-ppd";
    case Reason::kNoDestination: return "no-destination";
    case Reason::kCopyFailed: return "copy-failed";
    case Reason::kWriteFailed: return "write-failed";
    case Reason::kBackupFailed: return "backup-failed";
    case Reason::kRemoveFailed: return "remove-failed";
    case Reason::kDeclined: return "declined";
    case Reason::kBrokenOff: return "broken-off";
    case Reason::kSchedulerRefused: return "scheduler-refused";
    case Reason::kChangedDuringRun: return "changed-during-run";
    case Reason::kNoTmpFile: return "no-tmp-file";
    case Reason::kInterrupted: return "interrupted";
    case Reason::kNotSelected: return "not-selected";
    case Reason::kNoBackup: return "no-backup";
  }
  return "";
}

bool isFault(Reason reason) {
  return reason != Reason::kNone && reason != Reason::kNoProductPpd &&
         reason != Reason::kDeclined && reason != Reason::kBrokenOff &&
         reason != Reason::kInterrupted && reason != Reason::kNotSelected &&
         reason != Reason::kNoBackup;
}

const char* stateName(ItemState state) {
  switch (state) {
    case ItemState::kPlanned: return "planned";
    case ItemState::kDone: return "done";
    case ItemState::kFailed: return "failed";
    case ItemState::kLeft: return "left";
  }
  return "planned";
}
