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

bool ProductPpdText::isFile(const struct stat& st) const {
  return device_ == st.st_dev && inode_ == st.st_ino && size_ == st.st_size &&
         modified_.tv_sec == st.st_mtim.tv_sec && modified_.tv_nsec == st.st_mtim.tv_nsec;
}

ProductPpdText& ProductPpdTexts::textOf(const std::string& path) {
  ProductPpdText& kept = texts_[path];
  struct stat st;
  bool exists = stat(path.c_str(), &st) == 0;
  if (exists && kept.whole_ && kept.isFile(st))
    return kept;
  kept = ProductPpdText();
  kept.path_ = path;
  if (exists) {
    kept.device_ = st.st_dev;
    kept.inode_ = st.st_ino;
    kept.size_ = st.st_size;
    kept.modified_ = st.st_mtim;
  }
  kept.whole_ = readUncompressed(path, kept.text_);
  return kept;
}
