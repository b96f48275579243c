// orbnc HOST PORT: the product's netcat.  Connects over TCP, copies standard
// input to the connection (closing its sending side at the end of the
// input) and the connection to standard output until the peer closes.
// Like other netcat programs it says nothing when it cannot connect: its
// exit status tells.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

int connectTo(const char* host, const char* port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, port, &hints, &found) != 0)
    return -1;
  int sock = -1;
  for (addrinfo* at = found; at && sock < 0; at = at->ai_next) {
    sock = socket(at->ai_family, at->ai_socktype, at->ai_protocol);
    if (sock >= 0 && connect(sock, at->ai_addr, at->ai_addrlen) < 0) {
      close(sock);
      sock = -1;
    }
  }
  freeaddrinfo(found);
  return sock;
}

bool writeAll(int fd, const char* data, ssize_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size_t(size));
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    data += written;
    size -= written;
  }
  return true;
}

// Moves one block from one descriptor to the other: 1 when it did, 0 at the
// end of the input, -1 on an error.
int copyBlock(int from, int to) {
  char block[4096];
  ssize_t size = read(from, block, sizeof block);
  if (size < 0 && errno == EINTR)
    return 1;
  if (size <= 0)
    return int(size);
  return writeAll(to, block, size) ? 1 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orbnc HOST PORT\n");
    return 2;
  }
  // A peer or reader that has gone is an error to report, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  int sock = connectTo(argv[1], argv[2]);
  if (sock < 0)
    return 1;

  // Both directions at once, so a peer that answers before it has read
  // everything cannot stall the copy.
  pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {sock, POLLIN, 0}};
  int status = 0;
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      status = 1;
      break;
    }
    if (fds[0].revents && copyBlock(STDIN_FILENO, sock) <= 0) {
      shutdown(sock, SHUT_WR);
      fds[0].fd = -1;  // poll passes over a negative descriptor
    }
    if (fds[1].revents) {
      int copied = copyBlock(sock, STDOUT_FILENO);
      if (copied <= 0) {
        status = copied < 0 ? 1 : 0;
        break;
      }
    }
  }
  close(sock);
  return status;
}
