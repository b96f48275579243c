#include "ppd/live_update.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>

#include "base/files.h"
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
  PrinterEntry printer(const std::string& path) const {
    PrinterEntry entry;
    entry.queueName = "Q";
    entry.ppdPath = path;
    return entry;
  }
};

TEST(LiveUpdate, SilentSchedulerIsGivenUpAtTheTimeLimit) {
  SilentPort silent;
  ASSERT_NE(silent.port, 0);
  SchedulerLink link(silent.address());
  ASSERT_TRUE(link.connected());
  auto started = std::chrono::steady_clock::now();
  SchedulerAnswer answer = link.findQueue("Q");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(answer.kind, SchedulerAnswer::kNoAnswer);
  EXPECT_GE(seconds, 0.9);
  EXPECT_LT(seconds, 5);
  // The connection is given up: later requests do not wait again.
  EXPECT_FALSE(link.connected());
  EXPECT_EQ(link.sendPpd("Q", "/nonexistent").kind, SchedulerAnswer::kRefused);
  EXPECT_EQ(link.findQueue("Q").text, "no connection");
}

TEST(LiveUpdate, WithoutSchedulerThePpdIsCopiedForARestart) {
  QueueFiles files;
  TempLog log;
  SchedulerAddress nobody = SilentPort().address();  // closed again at once
  LiveUpdate live(log, files.base.path(), nobody);
  EXPECT_TRUE(live.step()(files.printer(files.ppd), files.newPpd).ok());
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
  EXPECT_TRUE(live.step()(files.printer(older), files.newPpd).ok());
  EXPECT_EQ(readFile(older), "new\n");
  EXPECT_EQ(readFile(files.ppd), "old\n");
  EXPECT_FALSE(live.needsRestart());
  EXPECT_EQ(log.text().find("scheduler"), std::string::npos) << log.text();
}

}  // namespace
