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

bool keepOfferedChoices(Log& log, ppd_file_t* ppd, OptionList& options) {
  if (!ppd)
    return false;
  OptionList kept;
  for (const OptionEntry& entry : options) {
    ppd_option_t* option = ppdFindOption(ppd, entry.keyword.c_str());
    ppd_choice_t* choice = option ? ppdFindChoice(option, entry.choice.c_str()) : nullptr;
    if (!choice) {
      log.printf("Option %s/%s is not offered by the new PPD: its own default stays.",
                 entry.keyword.c_str(), entry.choice.c_str());
      continue;
    }
    // The rewrite leaves JCL blocks alone: their defaults stay the new PPD's.
    if (option->section == PPD_ORDER_JCL) {
      log.printf("Option %s/%s is a JCL option of the new PPD: its own default stays.",
                 entry.keyword.c_str(), entry.choice.c_str());
      continue;
    }
    if (findOption(kept, std::string("*") + option->keyword)) {
      log.printf("Option %s/%s is the new PPD's %s once more: passed over.",
                 entry.keyword.c_str(), entry.choice.c_str(), option->keyword);
      continue;
    }
    kept.push_back({option->keyword, choice->choice, entry.index});
  }
  options = kept;
  return true;
}

bool isReadablePpd(const std::string& ppdFile) {
  return openPpd(ppdFile) != nullptr;
}
