// One connection to the local CUPS scheduler over IPP, held open for as
// many requests as the caller sends and closed with its owner.
#ifndef LUMO_PPD_SCHEDULER_LINK_H
#define LUMO_PPD_SCHEDULER_LINK_H

#include <cups/cups.h>

#include <string>

#include "base/signal_disposition.h"

// Where the scheduler listens and how long each exchange with it may last
// in all: the connect, and each request with its whole response, however
// slowly the scheduler sends it.
struct SchedulerAddress {
  std::string host;
  int port;
  int timeoutSeconds;
};

// The machine's own scheduler, given the run's time for each exchange.
inline SchedulerAddress localScheduler(int timeoutSeconds) {
  return {"localhost", 631, timeoutSeconds};
}

// What the scheduler said to a request.
struct SchedulerAnswer {
  enum Kind { kDone, kUnknownQueue, kRefused, kNoAnswer };
  Kind kind = kNoAnswer;
  std::string text;  // the IPP status with the scheduler's message, or the HTTP status
};

class SchedulerLink {
 public:
  // Connects within the time limit; connected() tells whether it answered.
  explicit SchedulerLink(const SchedulerAddress& address);
  ~SchedulerLink();
  SchedulerLink(const SchedulerLink&) = delete;
  SchedulerLink& operator=(const SchedulerLink&) = delete;

  // False once no answer came in time: the connection is then closed for
  // good.
  bool connected() const { return http_ != nullptr; }

  // ipp://localhost/printers/<queue>, the queue name encoded.
  static std::string printerUri(const std::string& queue);

  // Whether the scheduler has the queue (Get-Printer-Attributes):
  // kDone, or kUnknownQueue for client-error-not-found.
  SchedulerAnswer findQueue(const std::string& queue);

  // Hands the PPD file to the scheduler as the queue's own, as CUPS's
  // lpadmin -P does: CUPS-Add-Modify-Printer with the file attached.  The
  // scheduler stores it and uses it from then on.
  SchedulerAnswer sendPpd(const std::string& queue, const std::string& ppdFile);

 private:
  SchedulerAnswer exchange(ipp_t* request, const char* resource, int fd, off_t size);
  void disconnect();

  int timeoutSeconds_;
  // The deadline of an exchange cuts the connection from a signal handler,
  // in place before the first exchange and until the last has ended.
  SignalDisposition deadlineSignal_;
  http_t* http_ = nullptr;
};

#endif
