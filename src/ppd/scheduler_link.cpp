#include "ppd/scheduler_link.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

struct IppDeleter {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

// Any wait on the scheduler that outlasts its time limit ends the exchange.
int giveUp(http_t*, void*) {
  return 0;
}

// A write to a connection the scheduler closed must fail, not end the
// run: SIGPIPE is ignored while an exchange runs (libcups sends without
// MSG_NOSIGNAL), and only then, so no command setup runs inherits it.
class SigpipeIgnored {
 public:
  SigpipeIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &old_);
  }
  ~SigpipeIgnored() { sigaction(SIGPIPE, &old_, nullptr); }
  SigpipeIgnored(const SigpipeIgnored&) = delete;
  SigpipeIgnored& operator=(const SigpipeIgnored&) = delete;

 private:
  struct sigaction old_ {};
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

}  // namespace

SchedulerLink::SchedulerLink(const SchedulerAddress& address) {
  http_ = httpConnect2(address.host.c_str(), address.port, nullptr, AF_UNSPEC,
                       HTTP_ENCRYPTION_IF_REQUESTED, 1, address.timeoutSeconds * 1000, nullptr);
  if (http_)
    httpSetTimeout(http_, address.timeoutSeconds, giveUp, nullptr);
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

// One request and its response, as libcups's own cupsDoIORequest goes
// about it, but on this held connection and with the file sent in pieces.
SchedulerAnswer SchedulerLink::exchange(ipp_t* request, const char* resource, int fd,
                                        off_t size) {
  if (!http_)
    return noAnswer("no connection");
  SigpipeIgnored sigpipe;
  http_status_t status = HTTP_STATUS_ERROR;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    status = cupsSendRequest(http_, request, resource, ippLength(request) + size_t(size));
    // A scheduler that refuses the request before reading it all (a file
    // larger than its MaxRequestSize) answers and closes: the write fails,
    // and its answer is read all the same.
    if (status == HTTP_STATUS_CONTINUE && fd >= 0 && sendFile(http_, fd) != HTTP_STATUS_CONTINUE)
      status = httpUpdate(http_);
    Ipp response;
    if (status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_OK) {
      response.reset(cupsGetResponse(http_, resource));
      status = httpGetStatus(http_);
    } else {
      httpFlush(http_);
    }
    if (response)
      return answerOf(response.get());
    if (status != HTTP_STATUS_UNAUTHORIZED)
      break;
  }
  if (status < HTTP_STATUS_BAD_REQUEST)
    return noAnswer(httpError(http_) ? std::strerror(httpError(http_)) : httpStatus(status));
  SchedulerAnswer refused;
  refused.kind = SchedulerAnswer::kRefused;
  refused.text = formatText("HTTP %d %s", int(status), httpStatus(status));
  return refused;
}

// The connection is in no known state after a failed exchange: it is
// closed, and every later request finds no scheduler.
SchedulerAnswer SchedulerLink::noAnswer(const std::string& why) {
  if (http_) {
    httpClose(http_);
    http_ = nullptr;
  }
  SchedulerAnswer none;
  none.text = why;
  return none;
}
