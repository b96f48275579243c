#include "ppd/option_list.h"

#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "ppd/ppd_file.h"

namespace {

// The record holds at most 40 characters and a cut name could name another
// option or choice, so a longer one is passed over.  (libcups of this
// generation already refuses a PPD file with such names as a whole.)
bool fitsOptionText(const char* text) {
  return std::strlen(text) <= kOptionTextMax;
}

// Adds the default of one option.
void collectOption(const ppd_option_t& option, OptionList& options) {
  if (!fitsOptionText(option.keyword) || !fitsOptionText(option.defchoice))
    return;
  for (int i = 0; i < option.num_choices; ++i) {
    if (std::strcmp(option.choices[i].choice, option.defchoice) != 0)
      continue;
    OptionEntry entry;
    entry.keyword = option.keyword;
    entry.choice = option.choices[i].choice;
    entry.index = int(options.size()) + 1;
    options.push_back(entry);
  }
}

}  // namespace

const OptionEntry* findOption(const OptionList& options, const std::string& name) {
  if (name.empty())
    return nullptr;
  for (const OptionEntry& entry : options)
    if (entry.keyword.compare(name.c_str() + 1) == 0)
      return &entry;
  return nullptr;
}

const OptionEntry* findIndex(const OptionList& options, int index) {
  for (const OptionEntry& entry : options)
    if (entry.index == index)
      return &entry;
  return nullptr;
}

bool collectDefaults(const std::string& ppdFile, OptionList& options) {
  PpdFile ppd = openPpd(ppdFile);
  if (!ppd) {
    std::fprintf(stderr, msg::kCannotOpenPpd, ppdFile.c_str());
    return false;
  }
  options.clear();
  for (int g = 0; g < ppd->num_groups; ++g) {
    const ppd_group_t& group = ppd->groups[g];
    for (int o = 0; o < group.num_options; ++o)
      collectOption(group.options[o], options);
  }
  return true;
}

std::optional<OfferedOptions> readOfferedOptions(const std::string& ppdFile) {
  PpdFile ppd = openPpd(ppdFile);
  if (!ppd)
    return std::nullopt;
  OfferedOptions offered;
  for (ppd_option_t* option = ppdFirstOption(ppd.get()); option;
       option = ppdNextOption(ppd.get())) {
    OfferedOption entry;
    entry.keyword = option->keyword;
    entry.defaultChoice = option->defchoice;
    for (int i = 0; i < option->num_choices; ++i)
      entry.choices.push_back(option->choices[i].choice);
    offered.push_back(entry);
  }
  return offered;
}
