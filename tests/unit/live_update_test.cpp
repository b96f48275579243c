#include "ppd/live_update.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "base/files.h"
#include "base/signal_disposition.h"
#include "base/text.h"
#include "unit_support.h"

namespace {

// A socket on a free port of 127.0.0.1 that listens (connections are made
// by the kernel) but never reads or answers; closed, nothing listens there.
struct SilentPort {
  Fd fd{socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  int port = 0;
  SilentPort() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        listen(fd.get(), 4) == 0 &&
        getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port = ntohs(address.sin_port);
  }
  SchedulerAddress address() const { return {"127.0.0.1", port, 1}; }
};

// Reads one request to its end: its header, then Content-Length bytes.
// False once the client has closed.
bool readRequest(int client) {
  std::string header;
  char byte;
  while (!endsWith(header, "\r\n\r\n")) {
    if (recv(client, &byte, 1, 0) != 1)
      return false;
    header += byte;
  }
  size_t length = header.find("Content-Length: ");
  size_t body = length == std::string::npos ? 0 : std::strtoul(&header[length + 16], nullptr, 10);
  for (; body > 0; --body)
    if (recv(client, &byte, 1, 0) != 1)
      return false;
  return true;
}

// A scheduler of the test's making on a SilentPort: a child process that
// takes one connection and answers each request on it with answer, in
// pieces of piece bytes, each after a pause.  It is killed when this
// object goes.
class FakeScheduler {
 public:
  FakeScheduler(const std::string& answer, size_t piece, useconds_t pause) {
    if (port_.port == 0 || (pid_ = fork()) != 0)
      return;
    Fd client(accept(port_.fd.get(), nullptr, nullptr));
    while (readRequest(client.get()))
      for (size_t at = 0; at < answer.size(); at += piece) {
        usleep(pause);
        std::string bytes = answer.substr(at, piece);
        if (send(client.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0)
          break;
      }
    _exit(0);
  }
  ~FakeScheduler() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  FakeScheduler(const FakeScheduler&) = delete;
  FakeScheduler& operator=(const FakeScheduler&) = delete;

  bool running() const { return pid_ > 0; }
  SchedulerAddress address() const { return port_.address(); }

 private:
  SilentPort port_;
  pid_t pid_ = -1;
};

double secondsTaken(const std::function<void()>& action) {
  auto started = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// A queue's PPD where the scheduler keeps it, under base, and its new PPD.
struct QueueFiles {
  TempDir base;
  std::string ppd = base.file("etc/cups/ppd/Q.ppd");
  std::string newPpd = base.file("new.ppd");
  QueueFiles() {
    std::filesystem::create_directories(base.file("etc/cups/ppd"));
    writeFile(ppd, "old\n");
    writeFile(base.file("etc/cups/ppd/Q.ppd.O"), "older\n");
    writeFile(newPpd, "new\n");
  }
  // The queue's file as the plan read it.
  QueueFile file(const std::string& path) const {
    QueueFile planned;
    planned.printer.queueName = "Q";
    planned.printer.ppdPath = path;
    planned.stamp = stampOf(path);
    return planned;
  }
};

TEST(LiveUpdate, SilentSchedulerIsGivenUpAtTheTimeLimit) {
  SilentPort silent;
  ASSERT_NE(silent.port, 0);
  SchedulerLink link(silent.address());
  ASSERT_TRUE(link.connected());
  SchedulerAnswer answer;
  double seconds = secondsTaken([&] { answer = link.findQueue("Q"); });
  EXPECT_EQ(answer.kind, SchedulerAnswer::kNoAnswer);
  EXPECT_GE(seconds, 0.9);
  EXPECT_LT(seconds, 5);
  // The connection is given up: later requests do not wait again.
  EXPECT_FALSE(link.connected());
  EXPECT_EQ(link.sendPpd("Q", "/nonexistent").kind, SchedulerAnswer::kRefused);
  EXPECT_EQ(link.findQueue("Q").text, "no connection");
}

TEST(LiveUpdate, TricklingSchedulerIsGivenUpAtTheExchangesDeadline) {
  // A status line and header lines, a byte every 0.3 s: never a silence
  // that a limit on each wait would end.  They end after 13 s, long past
  // the limit, so that a link without the deadline fails here, not hangs.
  FakeScheduler trickling("HTTP/1.1 200 OK\r\nX-Trickle: 1\r\nX-Trickle: 2\r\n", 1, 300'000);
  ASSERT_TRUE(trickling.running());
  SignalDisposition ignored(SIGALRM, ignoringAction());
  {
    SchedulerLink link(trickling.address());
    ASSERT_TRUE(link.connected());
    SchedulerAnswer answer;
    double seconds = secondsTaken([&] { answer = link.findQueue("Q"); });
    EXPECT_EQ(answer.kind, SchedulerAnswer::kNoAnswer);
    EXPECT_EQ(answer.text, "no complete answer within 1 seconds");
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 3);
    EXPECT_FALSE(link.connected());
  }
  // The deadline's signal is handled as before once the link has gone.
  struct sigaction after {};
  sigaction(SIGALRM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_IGN);
}

TEST(LiveUpdate, EachExchangeHasADeadlineOfItsOwn) {
  // successful-ok (IPP 2.0, request 1, no attributes), 0.7 s after each
  // request: two exchanges outlast one limit of 1 s.
  const std::string ok =
      "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: 9\r\n\r\n" +
      std::string("\x02\x00\x00\x00\x00\x00\x00\x01\x03", 9);
  FakeScheduler slow(ok, ok.size(), 700'000);
  ASSERT_TRUE(slow.running());
  SchedulerLink link(slow.address());
  for (int exchange = 0; exchange < 2; ++exchange) {
    SchedulerAnswer answer = link.findQueue("Q");
    EXPECT_EQ(answer.kind, SchedulerAnswer::kDone) << exchange << ": " << answer.text;
  }
  EXPECT_TRUE(link.connected());
}

TEST(LiveUpdate, WithoutSchedulerThePpdIsCopiedForARestart) {
  QueueFiles files;
  TempLog log;
  SchedulerAddress nobody = SilentPort().address();  // closed again at once
  LiveUpdate live(log, files.base.path(), nobody);
  EXPECT_TRUE(live.step()(files.file(files.ppd), files.newPpd).ok());
  EXPECT_EQ(readFile(files.ppd), "new\n");
  EXPECT_TRUE(live.needsRestart());
  std::string text = log.text();
  EXPECT_NE(text.find(formatText("No scheduler answers at 127.0.0.1:%d: ", nobody.port)),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("No answer from the scheduler for printer Q: no connection. "
                      "Its PPD is copied instead.\nCopying "),
            std::string::npos)
      << text;
}

TEST(LiveUpdate, OlderCopyIsCopiedWithoutTheScheduler) {
  QueueFiles files;
  TempLog log;
  // A scheduler that never answers would hold the update up if asked.
  SilentPort silent;
  LiveUpdate live(log, files.base.path(), silent.address());
  std::string older = files.ppd + ".O";
  EXPECT_TRUE(live.step()(files.file(older), files.newPpd).ok());
  EXPECT_EQ(readFile(older), "new\n");
  EXPECT_EQ(readFile(files.ppd), "old\n");
  EXPECT_FALSE(live.needsRestart());
  EXPECT_EQ(log.text().find("scheduler"), std::string::npos) << log.text();
}

}  // namespace
