// The setup run: the whole life of the program, in a fixed order.  It owns
// the run's state: the options, the facts found on the machine, the Log,
// the installation, the printer list and the record of what it did.
#ifndef LUMO_APP_SETUP_RUN_H
#define LUMO_APP_SETUP_RUN_H

#include "app/run_lock.h"
#include "app/run_record.h"
#include "base/interruptions.h"
#include "base/log.h"
#include "base/options.h"
#include "base/waits.h"
#include "discovery/context.h"
#include "discovery/facts.h"
#include "install/installation.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_list.h"

class SetupRun {
 public:
  explicit SetupRun(const Waits& waits) : waits_(waits) {}

  // Runs setup; the exit status: 0 on every path the run controls, unless
  // -x asks for the outcome's; 1 for a report that cannot be written, 255
  // when no temporary file could be had.
  int run(int argc, char** argv);

 private:
  void detectSelinux();
  bool lockRun();
  void loadSelinuxModule();
  void startLog();
  bool checkStartDir(const char* invocation);
  void logSelinux();
  bool checkRoot();
  bool checkReportPath();
  bool checkSelectedQueues();
  void runSteps(int argc, char** argv, const std::string& firstRefusal);
  void findHost();
  void locatePpdDirs();
  void refuse(const std::string& why);
  void stop(const std::string& reason);
  void declined();
  bool interrupted();
  int ask(const char* question);
  void takeEarlierInstallation(int kind);
  void planInstall();
  void updateCupsQueues();
  void updateQueuesAndFinish();
  void installBranch();
  void previewInstall();
  void deinstallBranch();
  void undoBranch();
  std::string stopReason() const;
  void finish();
  int exitStatus() const;

  const Waits waits_;
  Interruptions interruptions_;
  RunLock runLock_;
  Options options_;
  Facts facts_;
  Log log_;
  Context context_{log_, options_, facts_, waits_};
  bool stopRun_ = false;
  bool noTmpFile_ = false;
  bool cupsPpdDirFound_ = false;
  Installation installation_;
  PrinterList printers_;
  ProductPpdIndex productPpds_;
  RunRecord record_;
};

// The whole program: a setup run that waits on others as long as waits
// says, ended by its exit status.
int runSetup(int argc, char** argv, const Waits& waits);

#endif
