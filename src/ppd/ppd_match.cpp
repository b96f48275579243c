#include "ppd/ppd_match.h"

#include <cups/file.h>
#include <unistd.h>

#include <cstdio>

#include "driver/log.h"
#include "ppd/dir_entries.h"
#include "ppd/model_line.h"

namespace {

// Where the product's PPD files lie when no other directory was settled.
const char kProductPpdDir[] = "/opt/oxa/ppd";

}  // namespace

std::optional<std::string> readPpdModel(const std::string& path, int& pdlKind, int& modelId) {
  cups_file_t* file = cupsFileOpen(path.c_str(), "r");
  if (!file) {
    std::fprintf(stderr, catalogue(kUnableToOpen), path.c_str());
    return std::nullopt;
  }
  std::optional<std::string> model;
  char line[256];
  while (!model && !cupsFileEOF(file) && cupsFileGets(file, line, sizeof line))
    model = parseModelLine(line, pdlKind, modelId);
  cupsFileClose(file);
  return model;
}

int findPpdInDir(const std::string& dir, const std::string& modelName, int pdlKind, int modelId,
                 std::string& path) {
  bool found = false;
  forEachEntry(dir, [&](const std::string& candidate, const std::string&) {
    int candidatePdl = 0;
    int candidateId = 0;
    std::optional<std::string> model = readPpdModel(candidate, candidatePdl, candidateId);
    found = model && model->compare(0, modelName.size(), modelName) == 0 &&
            candidateId == modelId && candidatePdl == pdlKind;
    if (found)
      path = candidate;
    return !found;
  });
  return found ? 1 : 0;
}

int findPpdFile(const std::string& dir, const PrinterEntry& printer, int pdlKind, int modelId,
                std::string& path) {
  logFormat(catalogue(kGettingPpdFrom), dir.c_str());
  if (access(dir.c_str(), F_OK) != 0)
    return 0;
  return findPpdInDir(dir, printer.modelName, pdlKind, modelId, path);
}

int findProductPpd(const std::string& dir, const PrinterEntry& printer, std::string& path) {
  return findPpdFile(dir, printer, printer.pdlKind, printer.modelId, path) ||
         findPpdFile(kProductPpdDir, printer, printer.pdlKind, printer.modelId, path);
}
