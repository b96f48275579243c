// The maker's printer models: model name and numeric model identifier,
// searched in table order by substring (a few names occur inside names
// further down, so the order matters).
#ifndef LUMO_PPD_MODEL_TABLE_H
#define LUMO_PPD_MODEL_TABLE_H

#include <string_view>

// The name's length is known at compile time: every model line is
// searched for every name.
struct ModelRow {
  std::string_view name;
  int id;
};

extern const ModelRow kModelTable[];
extern const int kModelCount;

#endif
