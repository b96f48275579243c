#include "ppd/scheduler_link.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "base/files.h"
#include "base/text.h"

namespace {

// Status codes below this one are successes (successful-ok and its kin).
constexpr int kFirstFailure = 0x0100;
// Requests that the scheduler answers with 401 go again with the
// credentials libcups then found (root's local certificate).
constexpr int kAttempts = 3;
constexpr size_t kChunk = 32768;
// The signal of an exchange's deadline, and how often it comes again once
// the deadline has passed.
constexpr int kDeadlineSignal = SIGALRM;
constexpr long kRecutNanoseconds = 200'000'000;

struct IppDeleter {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

// The handler of kDeadlineSignal: the connection the timer names is shut
// down under libcups, whose read or write on it then fails at once, and
// every wait it makes afterwards finds the connection closed.  Only work
// that is safe in a handler: httpGetFd reads the connection's descriptor
// and nothing more, shutdown is a system call.
void cutConnection(int, siginfo_t* info, void*) {
  if (info->si_code != SI_TIMER)  // sent by another: it names no connection
    return;
  int saved = errno;
  int fd = httpGetFd(static_cast<http_t*>(info->si_value.sival_ptr));
  if (fd >= 0)
    shutdown(fd, SHUT_RDWR);
  errno = saved;
}

// The one deadline of an exchange, however the scheduler spreads its bytes
// over it: when it passes, a timer signals cutConnection, and again every
// kRecutNanoseconds until it is disarmed, so that a connection libcups
// opens anew within the exchange (it does so to authenticate) is cut too.
// The signal names the connection, not its descriptor, which such a
// reconnect changes.
class ExchangeDeadline {
 public:
  ExchangeDeadline(http_t* http, int seconds) {
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = kDeadlineSignal;
    event.sigev_value.sival_ptr = http;
    if (timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0) {
      error_ = errno;
      return;
    }
    itimerspec when{};
    when.it_value.tv_sec = seconds;
    when.it_interval.tv_nsec = kRecutNanoseconds;
    // Taken first, so the timer never fires before passed() says so.
    Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
    if (timer_settime(timer_, 0, &when, nullptr) != 0) {
      error_ = errno;
      timer_delete(timer_);
      return;
    }
    end_ = end;
  }
  ~ExchangeDeadline() { disarm(); }
  ExchangeDeadline(const ExchangeDeadline&) = delete;
  ExchangeDeadline& operator=(const ExchangeDeadline&) = delete;

  // 0 when the timer runs; else why it could not be set.
  int error() const { return error_; }
  bool passed() const { return Clock::now() >= end_; }

  // Stops the timer: no signal names the connection from then on.  Whether
  // the deadline had passed by then, so that the connection may be cut.
  bool disarm() {
    if (error_ == 0 && !disarmed_) {
      timer_delete(timer_);
      disarmed_ = true;
    }
    return passed();
  }

 private:
  using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, as the timer's
  timer_t timer_{};
  Clock::time_point end_ = Clock::time_point::max();  // never, while unarmed
  int error_ = 0;
  bool disarmed_ = false;
};

Ipp queueRequest(ipp_op_t operation, const std::string& queue) {
  Ipp request(ippNewRequest(operation));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
               SchedulerLink::printerUri(queue).c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  return request;
}

// The file's bytes as the request's data; HTTP_STATUS_CONTINUE when all
// went out.
http_status_t sendFile(http_t* http, int fd) {
  std::vector<char> buffer(kChunk);
  off_t offset = 0;
  ssize_t got;
  while ((got = pread(fd, buffer.data(), buffer.size(), offset)) > 0) {
    offset += got;
    http_status_t status = cupsWriteRequestData(http, buffer.data(), size_t(got));
    if (status != HTTP_STATUS_CONTINUE)
      return status;
  }
  return got < 0 ? HTTP_STATUS_ERROR : HTTP_STATUS_CONTINUE;
}

SchedulerAnswer answerOf(ipp_t* response) {
  ipp_status_t status = ippGetStatusCode(response);
  SchedulerAnswer answer;
  answer.kind = status < kFirstFailure            ? SchedulerAnswer::kDone
                : status == IPP_STATUS_ERROR_NOT_FOUND ? SchedulerAnswer::kUnknownQueue
                                                       : SchedulerAnswer::kRefused;
  answer.text = ippErrorString(status);
  ipp_attribute_t* said = ippFindAttribute(response, "status-message", IPP_TAG_TEXT);
  const char* text = said ? ippGetString(said, 0, nullptr) : nullptr;
  std::string message = text ? text : "";
  trimEnd(message, ".");  // it goes into a sentence of the Log
  if (!message.empty())
    answer.text += " (" + message + ")";
  return answer;
}

SchedulerAnswer noAnswer(const std::string& why) {
  SchedulerAnswer none;
  none.text = why;
  return none;
}

// One request and its response, as libcups's own cupsDoIORequest goes
// about it, but on the held connection and with the file sent in pieces.
// Once the deadline has passed nothing is tried again.
SchedulerAnswer requestAndResponse(http_t* http, ipp_t* request, const char* resource, int fd,
                                   off_t size, const ExchangeDeadline& deadline) {
  http_status_t status = HTTP_STATUS_ERROR;
  for (int attempt = 0; attempt < kAttempts && !deadline.passed(); ++attempt) {
    status = cupsSendRequest(http, request, resource, ippLength(request) + size_t(size));
    // A scheduler that refuses the request before reading it all (a file
    // larger than its MaxRequestSize) answers and closes: the write fails,
    // and its answer is read all the same.
    if (status == HTTP_STATUS_CONTINUE && fd >= 0 && sendFile(http, fd) != HTTP_STATUS_CONTINUE)
      status = httpUpdate(http);
    Ipp response;
    if (status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_OK) {
      response.reset(cupsGetResponse(http, resource));
      status = httpGetStatus(http);
    } else {
      httpFlush(http);
    }
    if (response)
      return answerOf(response.get());
    if (status != HTTP_STATUS_UNAUTHORIZED)
      break;
  }
  if (status < HTTP_STATUS_BAD_REQUEST)
    return noAnswer(httpError(http) ? std::strerror(httpError(http)) : httpStatus(status));
  SchedulerAnswer refused;
  refused.kind = SchedulerAnswer::kRefused;
  refused.text = formatText("HTTP %d %s", int(status), httpStatus(status));
  return refused;
}

}  // namespace

SchedulerLink::SchedulerLink(const SchedulerAddress& address)
    : timeoutSeconds_(address.timeoutSeconds),
      deadlineSignal_(kDeadlineSignal, handlingAction(cutConnection)) {
  // libcups holds the whole connect to the time it is given, across the
  // scheduler's addresses: the connect's deadline.
  http_ = httpConnect2(address.host.c_str(), address.port, nullptr, AF_UNSPEC,
                       HTTP_ENCRYPTION_IF_REQUESTED, 1, timeoutSeconds_ * 1000, nullptr);
}

SchedulerLink::~SchedulerLink() {
  if (http_)
    httpClose(http_);
}

std::string SchedulerLink::printerUri(const std::string& queue) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  return uri;
}

SchedulerAnswer SchedulerLink::findQueue(const std::string& queue) {
  Ipp request = queueRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  return exchange(request.get(), "/", -1, 0);
}

SchedulerAnswer SchedulerLink::sendPpd(const std::string& queue, const std::string& ppdFile) {
  Fd fd(open(ppdFile.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st;
  if (!fd.valid() || fstat(fd.get(), &st) != 0) {
    SchedulerAnswer unread;
    unread.kind = SchedulerAnswer::kRefused;
    unread.text = formatText("%s cannot be read: %s", ppdFile.c_str(), std::strerror(errno));
    return unread;
  }
  Ipp request = queueRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, queue);
  return exchange(request.get(), "/admin/", fd.get(), st.st_size);
}

// A request and its response within the deadline.  Past it, or when no
// answer came, the connection is in no known state: it is closed, and
// every later request finds no scheduler.
SchedulerAnswer SchedulerLink::exchange(ipp_t* request, const char* resource, int fd,
                                        off_t size) {
  if (!http_)
    return noAnswer("no connection");
  // A write to a connection the scheduler closed (or the deadline cut)
  // must fail, not end the run: SIGPIPE is ignored while an exchange runs
  // (libcups sends without MSG_NOSIGNAL), and only then, so no command
  // setup runs inherits it.
  SignalDisposition sigpipe(SIGPIPE, ignoringAction());
  ExchangeDeadline deadline(http_, timeoutSeconds_);
  SchedulerAnswer answer =
      deadline.error() != 0
          ? noAnswer(formatText("no timer for the exchange: %s", std::strerror(deadline.error())))
          : requestAndResponse(http_, request, resource, fd, size, deadline);
  if (deadline.disarm())
    answer = noAnswer(formatText("no complete answer within %d seconds", timeoutSeconds_));
  if (answer.kind == SchedulerAnswer::kNoAnswer)
    disconnect();
  return answer;
}

void SchedulerLink::disconnect() {
  httpClose(http_);
  http_ = nullptr;
}
