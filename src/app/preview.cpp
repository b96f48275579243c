#include "app/preview.h"

#include <set>

#include "deinstall/deinstall.h"
#include "install/copy_entries.h"
#include "ppd/printer_preview.h"

namespace {

void previewFiles(FILE* out, Context& run, const Installation& installation) {
  std::fprintf(out, "Files of the install manifest:\n");
  const PpdLocations& ppd = run.facts.ppd;
  for (const ManifestEntry& entry : installation.manifest) {
    // The product PPD directory is made before the copies.
    std::string destination = entry.target == "?" && !ppd.ppdInstallDir.empty()
                                  ? ppd.ppdInstallDir
                                  : entryDestination(entry, installation.dir, ppd);
    std::fprintf(out, "  %s -> %s", entry.source.c_str(),
                 destination.empty() ? "(no destination)" : destination.c_str());
    if (entry.mode > 0)
      std::fprintf(out, ", mode %04o", unsigned(entry.mode));
    std::fputc('\n', out);
  }
}

void previewQueue(FILE* out, const PrinterEntry& printer, const PrinterPreview& preview) {
  std::fprintf(out, "  %s: %s (%s, version 1)\n", printer.queueName.c_str(),
               printer.ppdPath.c_str(), printer.modelName.c_str());
  if (preview.productPpd.empty()) {
    std::fprintf(out, "    keeps its PPD: no product PPD for its model\n");
    return;
  }
  std::fprintf(out, "    new PPD: %s\n", preview.productPpd.c_str());
  for (const OptionPreview& option : preview.options) {
    if (option.carried)
      std::fprintf(out, "    %s: %s carried\n", option.keyword.c_str(), option.newChoice.c_str());
    else if (option.newChoice.empty())
      std::fprintf(out, "    %s: %s not offered\n", option.keyword.c_str(),
                   option.choice.c_str());
    else
      std::fprintf(out, "    %s: %s not offered (the new PPD's default %s stays)\n",
                   option.keyword.c_str(), option.choice.c_str(), option.newChoice.c_str());
  }
}

// How the queues would get their new PPD files.
void previewPlacing(FILE* out, const Options& options) {
  if (options.liveUpdate)
    std::fprintf(out, "The new PPDs would go to the running scheduler; a queue it does not take "
                      "would get its PPD copied, and CUPS would then be restarted.\n");
  else
    std::fprintf(out, "The new PPDs would be copied, and CUPS would then be restarted.\n");
}

}  // namespace

void previewInstall(FILE* out, Context& run, const Installation& installation,
                    ProductPpdIndex& index, const PrinterList& printers) {
  const std::string& ppdDir = run.facts.ppd.ppdInstallDir;
  std::fprintf(out, "Preview of an installing run; nothing is changed.\n");
  std::fprintf(out, "Installation directory: %s\n", installation.dir.c_str());
  std::fprintf(out, "Product PPD directory: %s\n", ppdDir.c_str());
  previewFiles(out, run, installation);
  std::fprintf(out, "Queues on the maker's older PPDs: %zu\n", printers.size());
  for (const PrinterEntry& printer : printers)
    previewQueue(out, printer, previewPrinter(run.log, index, ppdDir, printer));
  previewPlacing(out, run.options);
}

void previewRemoval(FILE* out, Log& log, const Installation& installation,
                    const PrinterList& printers) {
  std::fprintf(out, "Preview of a removing run; nothing is changed.\n");
  std::fprintf(out, "Queues to remove:\n");
  for (const std::string& name : queuesToRemove(log, printers))
    std::fprintf(out, "  %s\n", name.c_str());
  std::fprintf(out, "Files and directories to delete:\n");
  std::set<std::string> listed;
  for (const auto& paths : {installedFiles(installation.dir), installedDirs(installation.dir)})
    for (const std::string& path : paths)
      if (isEntryPresent(path) && listed.insert(path).second)
        std::fprintf(out, "  %s\n", path.c_str());
}
