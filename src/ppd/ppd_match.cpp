#include "ppd/ppd_match.h"

#include <cups/file.h>
#include <unistd.h>

#include <cstdio>

#include "base/dir_entries.h"
#include "base/log.h"

namespace {

// Where the product's PPD files lie when no other directory was settled.
const char kProductPpdDir[] = "/opt/oxa/ppd";

}  // namespace

std::optional<std::string> readPpdModel(ModelMatcher& matcher, const std::string& path,
                                        int& pdlKind, int& modelId) {
  cups_file_t* file = cupsFileOpen(path.c_str(), "r");
  if (!file) {
    std::fprintf(stderr, msg::kUnableToOpen, path.c_str());
    return std::nullopt;
  }
  std::optional<std::string> model = readPpdModel(matcher, file, pdlKind, modelId);
  cupsFileClose(file);
  return model;
}

std::optional<std::string> readPpdModel(ModelMatcher& matcher, cups_file_t* file, int& pdlKind,
                                        int& modelId) {
  std::optional<std::string> model;
  char line[256];
  while (!model && !cupsFileEOF(file) && cupsFileGets(file, line, sizeof line))
    model = matcher.parse(line, pdlKind, modelId);
  return model;
}

// The product's files are in place before the first look-up.
const std::vector<ProductPpdIndex::ProductPpd>& ProductPpdIndex::filesOf(Log& log,
                                                                        const std::string& dir) {
  FileStamp stamp = stampOf(dir);
  if (stamp.size < 0)
    return none_;
  DirListing& listing = listings_[dir];
  if (listing.stamp == stamp)
    return listing.files;
  listing = DirListing{stamp, {}};
  forEachEntry(log, dir, [&](const std::string& path, const std::string&) {
    ProductPpd file;
    file.path = path;
    file.model = readPpdModel(matcher_, path, file.pdlKind, file.modelId);
    listing.files.push_back(file);
    return true;
  });
  return listing.files;
}

bool ProductPpdIndex::findInDir(Log& log, const std::string& dir, const std::string& modelName,
                                int pdlKind, int modelId, std::string& path) {
  for (const ProductPpd& file : filesOf(log, dir)) {
    if (file.model && file.model->compare(0, modelName.size(), modelName) == 0 &&
        file.modelId == modelId && file.pdlKind == pdlKind) {
      path = file.path;
      return true;
    }
  }
  return false;
}

bool findPpdFile(Log& log, ProductPpdIndex& index, const std::string& dir,
                 const PrinterEntry& printer, std::string& path) {
  log.printf(msg::kGettingPpdFrom, dir.c_str());
  if (access(dir.c_str(), F_OK) != 0)
    return false;
  return index.findInDir(log, dir, printer.modelName, printer.pdlKind, printer.modelId, path);
}

bool findProductPpd(Log& log, ProductPpdIndex& index, const std::string& dir,
                    const PrinterEntry& printer, std::string& path) {
  return findPpdFile(log, index, dir, printer, path) ||
         findPpdFile(log, index, kProductPpdDir, printer, path);
}
