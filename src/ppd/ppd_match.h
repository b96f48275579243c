// Finding the product's PPD file for a printer: the file in a directory
// whose model line names the same model, model identifier and
// page-description language.
#ifndef LUMO_PPD_PPD_MATCH_H
#define LUMO_PPD_PPD_MATCH_H

#include <cups/file.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "ppd/model_line.h"
#include "ppd/printer_list.h"
#include "ppd/product_ppd_texts.h"

class Log;

// The model text of the file's first recognised model line, read with the
// CUPS file functions (plain or gzip-compressed), with its pdlKind and
// modelId.  Nothing when there is none; "Unable to open '%s'!" on standard
// error when the file cannot be opened.
std::optional<std::string> readPpdModel(ModelMatcher& matcher, const std::string& path,
                                        int& pdlKind, int& modelId);
// The same from an open CUPS file.
std::optional<std::string> readPpdModel(ModelMatcher& matcher, cups_file_t* file, int& pdlKind,
                                        int& modelId);

// The product PPD directories of a run and what their files say about
// themselves.  Every printer looks its new PPD up in the same one or two
// directories, so each is read once per run; it is read afresh only when
// the directory itself changed (a file added, removed or renamed).  The
// texts of the files found are kept here too, for the printers of the
// same model.
class ProductPpdIndex {
 public:
  ProductPpdTexts& texts() { return texts_; }

  // Puts into `path` the first entry of the directory whose model text
  // begins with modelName and whose identifier and language agree.  False
  // when there is none.
  bool findInDir(Log& log, const std::string& dir, const std::string& modelName, int pdlKind,
                 int modelId, std::string& path);

 private:
  struct ProductPpd {
    std::string path;
    std::optional<std::string> model;
    int pdlKind = 0;
    int modelId = 0;
  };
  // A directory's files in listing order, and the directory as it was when
  // they were read.
  struct DirListing {
    FileStamp stamp;
    std::vector<ProductPpd> files;
  };
  const std::vector<ProductPpd>& filesOf(Log& log, const std::string& dir);

  std::map<std::string, DirListing> listings_;
  const std::vector<ProductPpd> none_{};
  ModelMatcher matcher_;
  ProductPpdTexts texts_;
};

// Logs the directory searched; false when it does not exist, else the
// index's findInDir with the printer's model name.
bool findPpdFile(Log& log, ProductPpdIndex& index, const std::string& dir,
                 const PrinterEntry& printer, std::string& path);

// findPpdFile on dir, then on the product's own directory "/opt/oxa/ppd".
bool findProductPpd(Log& log, ProductPpdIndex& index, const std::string& dir,
                    const PrinterEntry& printer, std::string& path);

#endif
