// The product's PPD files as the printer update writes them out: each
// file's text, decompressed, and libcups's reading of its options, made
// once per run for all the printers of its model rather than per printer.
// Only the options are kept of libcups's reading, which is many times the
// size of the text.
#ifndef LUMO_PPD_PRODUCT_PPD_TEXTS_H
#define LUMO_PPD_PRODUCT_PPD_TEXTS_H

#include <map>
#include <optional>
#include <string>

#include "base/files.h"
#include "ppd/option_list.h"

// One product PPD file as read, and the file as it was then.
class ProductPpdText {
 public:
  // False when the file could not be read and decompressed whole.
  bool whole() const { return whole_; }
  const std::string& text() const { return text_; }

  // The options the text offers, as libcups reads them the first time
  // they are asked for from `copy`, a file holding the text; nullptr when
  // the text is no readable PPD.
  const OfferedOptions* options(const std::string& copy);

  // Whether the file read is byte for byte the file `other`: compared the
  // first time it is asked for that other file.
  bool sameAs(const std::string& other);

 private:
  friend class ProductPpdTexts;

  std::string path_;
  FileStamp stamp_;
  bool whole_ = false;
  std::string text_;
  bool read_ = false;  // offered_ holds libcups's reading
  std::optional<OfferedOptions> offered_;
  std::string comparedWith_;  // same_ holds the comparison with this file
  bool same_ = false;
};

// The texts of one run, by path.
class ProductPpdTexts {
 public:
  // The file's text, read again when it was not read whole or the file has
  // changed since (another inode, size or modification time).
  ProductPpdText& textOf(const std::string& path);

 private:
  std::map<std::string, ProductPpdText> texts_;
};

#endif
