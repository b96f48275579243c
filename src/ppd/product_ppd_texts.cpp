#include "ppd/product_ppd_texts.h"

#include "base/copy_file.h"

const OfferedOptions* ProductPpdText::options(const std::string& copy) {
  if (!read_) {
    offered_ = readOfferedOptions(copy);
    read_ = true;
  }
  return offered_ ? &*offered_ : nullptr;
}

bool ProductPpdText::sameAs(const std::string& other) {
  if (comparedWith_ != other) {
    same_ = sameContent(path_, other);
    comparedWith_ = other;
  }
  return same_;
}

ProductPpdText& ProductPpdTexts::textOf(const std::string& path) {
  ProductPpdText& kept = texts_[path];
  FileStamp stamp = stampOf(path);
  if (stamp.size >= 0 && kept.whole_ && kept.stamp_ == stamp)
    return kept;
  kept = ProductPpdText();
  kept.path_ = path;
  kept.stamp_ = stamp;
  kept.whole_ = readUncompressed(path, kept.text_);
  return kept;
}
