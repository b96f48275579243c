// Times the installed-printer scan over ROOT/etc/cups/ppd against
// `head -n 30` over the same files, in the same order.
//
//   scan_bench ROOT PRODUCT_PPD_DIR REPEATS
//
// Three figures, each the fastest of REPEATS rounds taken in turn (the
// least disturbed by whatever else the machine does):
//   read  the scan's reading part: listing the directory and reading each
//         file's first lines into the printer list;
//   scan  the whole scan: the reading part and both listings into a Log
//         file, the second looking up each queue's product PPD;
//   head  `head -n 30 FILE...` with its output going to /dev/null.
// Output: one "name value" line each, times in seconds.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/text.h"
#include "ppd/printer_list.h"
#include "ppd/printer_scan.h"

extern char** environ;

namespace {

double seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

// The files as the directory lists them, which is the scan's order too.
std::vector<std::string> listFiles(const std::string& dir) {
  std::vector<std::string> files;
  DIR* listing = opendir(dir.c_str());
  if (!listing)
    return files;
  while (const dirent* entry = readdir(listing))
    if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
      files.push_back(dir + "/" + entry->d_name);
  closedir(listing);
  return files;
}

void runHead(const std::vector<std::string>& files) {
  std::vector<char*> argv = {const_cast<char*>("head"), const_cast<char*>("-n"),
                             const_cast<char*>("30")};
  for (const std::string& file : files)
    argv.push_back(const_cast<char*>(file.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int status = -1;
  if (posix_spawnp(&pid, "head", &actions, nullptr, argv.data(), environ) == 0)
    waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) {
    std::fprintf(stderr, "head failed\n");
    std::exit(1);
  }
}

int readPrinters(const std::string& root) {
  Log log;
  PrinterList printers;
  readCupsPrinters(log, root, printers);
  return int(printers.size());
}

int scanPrinters(const std::string& root, const std::string& productDir) {
  Log log;
  log.open(root + "/scan.log");
  PrinterList printers;
  ProductPpdIndex index;
  readCupsPrinters(log, root, printers);
  // The plan: each queue's product PPD and the fate of its defaults.
  ProductPpdSource source{parentDir(productDir), productDir, {}};
  QueuePlans queues = planQueues(index, source, printers);
  listInstalledPrinters(log, printers);
  listPpdFilesToInstall(log, queues);
  log.close();
  return int(printers.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s ROOT PRODUCT_PPD_DIR REPEATS\n", argv[0]);
    return 2;
  }
  std::string root = argv[1];
  std::string productDir = argv[2];
  int repeats = std::max(1, std::atoi(argv[3]));
  std::vector<std::string> files = listFiles(cupsPpdDir(root));

  int read = 0, scanned = 0;
  std::vector<double> readTimes, scanTimes, headTimes;
  runHead(files);  // the files into the page cache before any round
  for (int i = 0; i < repeats; ++i) {
    headTimes.push_back(seconds([&] { runHead(files); }));
    readTimes.push_back(seconds([&] { read = readPrinters(root); }));
    scanTimes.push_back(seconds([&] { scanned = scanPrinters(root, productDir); }));
  }
  std::printf("files %zu\naccepted %d\nlisted %d\n", files.size(), read, scanned);
  std::printf("read %.6f\nscan %.6f\nhead %.6f\n", fastest(readTimes), fastest(scanTimes),
              fastest(headTimes));
  return 0;
}
