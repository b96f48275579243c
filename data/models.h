// The maker's printer models: model name and numeric model identifier,
// searched in table order by substring (a few names occur inside names
// further down, so the order matters).
#ifndef LUMO_DATA_MODELS_H
#define LUMO_DATA_MODELS_H

struct ModelRow {
  const char* name;
  int id;
};

extern const ModelRow kModelTable[];
extern const int kModelCount;

#endif
