// The printer update: each printer that the installed-printer scan found
// gets the product's newer PPD for its model, with the defaults its old PPD
// had chosen carried over.
#ifndef LUMO_PPD_PRINTER_UPDATE_H
#define LUMO_PPD_PRINTER_UPDATE_H

#include <functional>
#include <string>

#include "ppd/option_list.h"
#include "ppd/ppd_match.h"
#include "ppd/printer_list.h"

class Log;

// Asks the administrator about one printer: yes, no, all or break (the
// codes of base/answer.h).
using PrinterQuestion = std::function<int(const PrinterEntry& printer)>;

// What became of one printer.
struct QueueResult {
  std::string queue;
  std::string ppdPath;     // its PPD
  std::string productPpd;  // the product's PPD for it; empty when none
  bool updated = false;
  std::string reason;      // why it kept its PPD
  OptionList defaults;     // its old PPD's defaults
  OptionList carried;      // those the new PPD got
};
using QueueResults = std::vector<QueueResult>;

// Told after each printer the update went through: its outcome, which the
// caller may trim of what it will not need, and how many of all are done.
using UpdateProgress = std::function<void(QueueResult& outcome, size_t done, size_t total)>;

// Puts a printer's rewritten PPD (the file newName) in the place of its
// old one; false leaves the old one in use, with why in reason.
using ReplaceStep = std::function<bool(const PrinterEntry& printer, const std::string& newName,
                                       std::string& reason)>;

// The reasons of queues the administrator left alone.
inline constexpr char kDeclinedReason[] = "declined";
inline constexpr char kBrokenOffReason[] = "the update was broken off";

// Updates the printers in list order, asking before each queue while `ask`
// is set (an answer "all" stops the asking, "break" the update); a queue's
// further entries (CUPS's older copy Q.ppd.O beside Q.ppd) follow the
// answer given for it.  packageDir is the unpacked product's directory,
// whose ppd/ holds the files the product PPDs must equal (installNewPPD).
// Each printer's outcome goes into results.  False when the update was
// broken off.  Each new PPD is put in place by `replace`, without it by
// copyOverPpd.
bool updatePrinters(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                    const std::string& packageDir, const PrinterList& printers,
                    PrinterQuestion ask, QueueResults& results,
                    const UpdateProgress& progress = nullptr,
                    const ReplaceStep& replace = nullptr);

// Writes the printer's rewritten product PPD into a new temporary file
// whose name goes into newName.  The product PPD found is taken only when
// it has the size and content of the package's own file
// (<packageDir>/ppd/<name>, else /opt/oxa/ppd/<name>).  True when the new
// file is complete and readable as a PPD; false (newName empty, no
// temporary file left) otherwise, the reason logged.  The product PPD
// found goes into productPpd when asked for.
bool installNewPPD(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                   const std::string& packageDir, OptionList& options,
                   const PrinterEntry& printer, std::string& newName,
                   std::string* productPpd = nullptr);

// The backup name of a queue's PPD: the path up to the slash before its
// first "/ppd" (or the whole path), the queue name, ".ppd", whatever the
// file's name has after its ".ppd" (".O" for CUPS's older copy, so that
// Q.ppd.rpmsave always holds the queue's own PPD) and ".rpmsave".
std::string backupName(const std::string& ppdPath, const std::string& queueName);

// Copies the PPD to its backup name, whole or not at all, and logs
// "saving %s to %s: result=%d"; true when the copy was made.
bool backupPPD(Log& log, const std::string& ppdPath, const std::string& queueName);

// Puts the rewritten PPD in the place of the printer's PPD, whole or not
// at all, keeping the PPD's owner, group and permission bits, and logs
// "Copying %s to %s: result=%d"; false leaves the printer's PPD as it was.
bool replacePPD(Log& log, const std::string& ppdPath, const std::string& newName);

// The replace step that copies: replacePPD over the printer's PPD file,
// for CUPS to read when it restarts.
bool copyOverPpd(Log& log, const PrinterEntry& printer, const std::string& newName,
                 std::string& reason);

// $TMPDIR when it names a directory, else "/tmp".
std::string tmpPpdDir(Log& log);

#endif
