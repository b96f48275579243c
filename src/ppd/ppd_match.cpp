#include "ppd/ppd_match.h"

#include <cups/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <vector>

#include "driver/log.h"
#include "ppd/dir_entries.h"
#include "ppd/model_line.h"

namespace {

// Where the product's PPD files lie when no other directory was settled.
const char kProductPpdDir[] = "/opt/oxa/ppd";

// What one file of a product PPD directory says about itself.
struct ProductPpd {
  std::string path;
  std::optional<std::string> model;
  int pdlKind = 0;
  int modelId = 0;
};

// A directory's files in listing order, and the directory as it was when
// they were read.
struct DirListing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified = {};
  std::vector<ProductPpd> files;
};

bool sameDir(const DirListing& listing, const struct stat& st) {
  return listing.device == st.st_dev && listing.inode == st.st_ino &&
         listing.modified.tv_sec == st.st_mtim.tv_sec &&
         listing.modified.tv_nsec == st.st_mtim.tv_nsec;
}

// The files of a product PPD directory with their model lines.  Every
// printer looks its new PPD up in the same one or two directories, so each
// is read once per run; it is read afresh only when the directory itself
// changed (a file added, removed or renamed).  The product's files are in
// place before the first look-up.
const std::vector<ProductPpd>& productPpds(const std::string& dir) {
  static std::map<std::string, DirListing> listings;
  static const std::vector<ProductPpd> none;
  struct stat st;
  if (stat(dir.c_str(), &st) != 0)
    return none;
  DirListing& listing = listings[dir];
  if (sameDir(listing, st))
    return listing.files;
  listing = DirListing{st.st_dev, st.st_ino, st.st_mtim, {}};
  forEachEntry(dir, [&](const std::string& path, const std::string&) {
    ProductPpd file;
    file.path = path;
    file.model = readPpdModel(path, file.pdlKind, file.modelId);
    listing.files.push_back(file);
    return true;
  });
  return listing.files;
}

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
  for (const ProductPpd& file : productPpds(dir)) {
    if (file.model && file.model->compare(0, modelName.size(), modelName) == 0 &&
        file.modelId == modelId && file.pdlKind == pdlKind) {
      path = file.path;
      return 1;
    }
  }
  return 0;
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
