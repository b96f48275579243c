// The maker's printer models: model name and numeric model identifier,
// searched in table order by substring (a few names occur inside names
// further down, so the order matters).
#ifndef LUMO_PPD_MODEL_TABLE_H
#define LUMO_PPD_MODEL_TABLE_H

#include <string_view>

struct ModelRow {
  std::string_view name;
  int id;
};

// A name of the table and its row's position.
struct ModelName {
  std::string_view name;
  int row;
};

extern const ModelRow kModelTable[];
extern const int kModelCount;
// The table's names in sorted order (byte by byte), each with its row: the
// names a text begins with are found by a binary search.
extern const ModelName kModelNamesSorted[];

#endif
