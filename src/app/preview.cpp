#include "app/preview.h"

namespace {

// Why the run leaves a manifest entry alone.
const char* fileNote(FileAction action) {
  switch (action) {
    case FileAction::kCopy: return "";
    case FileAction::kInPlace: return ", in place already: not copied";
    case FileAction::kNoProductFile: return ", no product file: not copied";
    case FileAction::kNoDestination: return ", not copied";
    case FileAction::kUntrusted: return ", not root's alone: not copied";
  }
  return "";
}

void previewFiles(FILE* out, const FilePlans& files) {
  std::fprintf(out, "Files of the install manifest:\n");
  for (const FilePlan& file : files) {
    std::fprintf(out, "  %s -> %s", file.entry.source.c_str(),
                 file.destination.empty() ? "(no destination)" : file.destination.c_str());
    if (file.entry.mode > 0)
      std::fprintf(out, ", mode %04o", unsigned(file.entry.mode));
    std::fprintf(out, "%s%s\n", fileNote(file.action), file.current ? ", the same already" : "");
  }
}

void previewDefault(FILE* out, const DefaultDecision& d) {
  switch (d.kind) {
    case DefaultKind::kCarried:
      std::fprintf(out, "    %s: %s carried\n", d.keyword.c_str(), d.newChoice.c_str());
      break;
    case DefaultKind::kNotOffered:
      if (d.newChoice.empty())
        std::fprintf(out, "    %s: %s not offered\n", d.keyword.c_str(), d.oldChoice.c_str());
      else
        std::fprintf(out, "    %s: %s not offered (the new PPD's default %s stays)\n",
                     d.keyword.c_str(), d.oldChoice.c_str(), d.newChoice.c_str());
      break;
    case DefaultKind::kRepeated:
      std::fprintf(out, "    %s: %s passed over (the new PPD's %s is carried already)\n",
                   d.keyword.c_str(), d.oldChoice.c_str(), d.newKeyword.c_str());
      break;
  }
}

void previewQueueFile(FILE* out, const QueueFile& file) {
  if (file.action == QueueAction::kKeep) {
    std::fprintf(out, "    keeps its PPD: %s\n", file.why.text.c_str());
    return;
  }
  std::fprintf(out, file.undo ? "    earlier PPD: %s\n" : "    new PPD: %s\n",
               file.productPpd.c_str());
  for (const DefaultDecision& d : file.defaults)
    previewDefault(out, d);
}

void previewQueue(FILE* out, const QueuePlan& queue) {
  const PrinterEntry& first = queue.files.front().printer;
  std::fprintf(out, "  %s: %s (%s, version 1)\n", queue.name.c_str(), first.ppdPath.c_str(),
               first.modelName.c_str());
  for (size_t i = 0; i < queue.files.size(); ++i) {
    if (i > 0)
      std::fprintf(out, "    and its file %s:\n", queue.files[i].printer.ppdPath.c_str());
    previewQueueFile(out, queue.files[i]);
  }
}

void previewPaths(FILE* out, const std::vector<RemovalPath>& paths) {
  for (const RemovalPath& item : paths)
    if (item.present)
      std::fprintf(out, "  %s%s\n", item.path.c_str(), item.directory ? "/" : "");
}

}  // namespace

void previewInstall(FILE* out, const InstallPlan& plan, const std::string& installDir) {
  if (plan.undo) {
    std::fprintf(out, "Preview of an undoing run; nothing is changed.\n");
  } else {
    std::fprintf(out, "Preview of an installing run; nothing is changed.\n");
    std::fprintf(out, "Installation directory: %s\n", installDir.c_str());
    std::fprintf(out, "Product PPD directory: %s\n", plan.productPpdDir.c_str());
    previewFiles(out, plan.files);
  }
  std::fprintf(out, plan.undo ? "Queues on the product's PPDs: %zu\n"
                               : "Queues on the maker's older PPDs: %zu\n",
               plan.queues.size());
  for (const QueuePlan& queue : plan.queues)
    previewQueue(out, queue);
  if (plan.live)
    std::fprintf(out, "The new PPDs would go to the running scheduler; a queue it does not take "
                      "would get its PPD copied, and CUPS would then be restarted.\n");
  else
    std::fprintf(out, "The new PPDs would be copied, and CUPS would then be restarted.\n");
}

void previewRemoval(FILE* out, const RemovalPlan& plan) {
  std::fprintf(out, "Preview of a removing run; nothing is changed.\n");
  std::fprintf(out, "Queues to remove:\n");
  for (const QueueRemoval& queue : plan.queues)
    std::fprintf(out, "  %s\n", queue.name.c_str());
  std::fprintf(out, "Files and directories to delete:\n");
  for (const QueueRemoval& queue : plan.queues)
    previewPaths(out, queue.paths);
  previewPaths(out, plan.paths);
}
