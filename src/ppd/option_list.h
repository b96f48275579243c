// The option list: for one printer at a time, the default choice of every
// option of its old PPD file, in the order of collection.
#ifndef LUMO_PPD_OPTION_LIST_H
#define LUMO_PPD_OPTION_LIST_H

#include <optional>
#include <string>
#include <vector>

class Log;

// Option keywords and choice names hold at most this many characters.
constexpr size_t kOptionTextMax = 40;

struct OptionEntry {
  std::string keyword;  // without the leading asterisk, e.g. PageSize
  std::string choice;   // the default choice, e.g. A4
  int index = 0;        // counted from 1 in the order of collection
};

using OptionList = std::vector<OptionEntry>;

// The entry whose keyword equals the name without its first character (the
// name is given with its asterisk, as in *PageSize), or nullptr.
const OptionEntry* findOption(const OptionList& options, const std::string& name);

// The entry with that index (its place in the order of collection, which
// a list keeps when entries are dropped), or nullptr.
const OptionEntry* findIndex(const OptionList& options, int index);

// Replaces the list by an entry for every option of the PPD file's
// top-level groups whose default names one of its choices; options whose
// keyword or choice is longer than 40 characters are passed over.  False
// (the list untouched) when the file is no readable PPD.
bool collectDefaults(const std::string& ppdFile, OptionList& options);

// What a PPD offers its options' defaults, as libcups reads it: each
// option's keyword and choices, spelt as the PPD does, in libcups's order.
struct OfferedOption {
  std::string keyword;
  std::string defaultChoice;  // the PPD's own default
  std::vector<std::string> choices;
};
using OfferedOptions = std::vector<OfferedOption>;

// The options the PPD file offers; nothing when it is no readable PPD.
std::optional<OfferedOptions> readOfferedOptions(const std::string& ppdFile);

#endif
