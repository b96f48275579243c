#include "ppd/live_update.h"

#include "base/log.h"
#include "ppd/printer_scan.h"

LiveUpdate::LiveUpdate(Log& log, const std::string& cupsBaseDir, SchedulerAddress address)
    : log_(log), ppdDir_(cupsPpdDir(cupsBaseDir)), address_(std::move(address)) {}

ReplaceStep LiveUpdate::step() {
  return [this](const QueueFile& file, const std::string& newName) {
    return replace(file, newName);
  };
}

SchedulerLink& LiveUpdate::scheduler() {
  if (link_)
    return *link_;
  link_ = std::make_unique<SchedulerLink>(address_);
  if (link_->connected())
    log_.printf("Connected to the scheduler at %s:%d: the queues get their new PPD while it runs.",
                address_.host.c_str(), address_.port);
  else
    log_.printf("No scheduler answers at %s:%d: %s. The new PPD files are copied into place "
                "and CUPS restarted.",
                address_.host.c_str(), address_.port, cupsLastErrorString());
  return *link_;
}

Status LiveUpdate::replace(const QueueFile& file, const std::string& newName) {
  const PrinterEntry& printer = file.printer;
  // CUPS's older copy Q.ppd.O, or any file not named for its queue, is no
  // PPD the scheduler reads: it is simply copied.
  if (printer.ppdPath != ppdDir_ + "/" + printer.queueName + ".ppd")
    return replacePPD(log_, file, newName);
  SchedulerLink& link = scheduler();
  SchedulerAnswer answer = link.findQueue(printer.queueName);
  Status changed = checkUnchanged(file);
  if (!changed.ok()) {
    log_.message(changed.text);
    return changed;
  }
  if (answer.kind == SchedulerAnswer::kDone) {
    log_.printf("Sending %s to the scheduler as the PPD of printer %s (%s).", newName.c_str(),
                printer.queueName.c_str(), SchedulerLink::printerUri(printer.queueName).c_str());
    answer = link.sendPpd(printer.queueName, newName);
    if (answer.kind == SchedulerAnswer::kDone) {
      log_.printf("The scheduler took the PPD of printer %s: %s.", printer.queueName.c_str(),
                  answer.text.c_str());
      return Status();
    }
  }
  if (answer.kind == SchedulerAnswer::kRefused)
    return refused(printer, answer);
  return copyInstead(file, answer, newName);
}

Status LiveUpdate::refused(const PrinterEntry& printer, const SchedulerAnswer& answer) {
  ++refusals_;
  log_.printf("The scheduler refused the PPD of printer %s: %s.", printer.queueName.c_str(),
              answer.text.c_str());
  return failure(Reason::kSchedulerRefused, "refused by the scheduler: " + answer.text);
}

// The way without -L for this queue: its file copied for a restart to read.
Status LiveUpdate::copyInstead(const QueueFile& file, const SchedulerAnswer& answer,
                               const std::string& newName) {
  const PrinterEntry& printer = file.printer;
  if (answer.kind == SchedulerAnswer::kUnknownQueue)
    log_.printf("The scheduler does not know printer %s: %s. Its PPD is copied instead.",
                printer.queueName.c_str(), answer.text.c_str());
  else
    log_.printf("No answer from the scheduler for printer %s: %s. Its PPD is copied instead.",
                printer.queueName.c_str(), answer.text.c_str());
  Status copied = replacePPD(log_, file, newName);
  copied_ = copied_ || copied.ok();
  return copied;
}
