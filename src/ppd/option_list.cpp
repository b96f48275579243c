#include "ppd/option_list.h"

#include <cups/ppd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "driver/log.h"
#include "ppd/ring.h"

// libcups marks its PPD reader deprecated; reading the queues' own PPD
// files is exactly what it is for.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// The record holds at most 40 characters and a cut name could name another
// option or choice, so a longer one is passed over.  (libcups of this
// generation already refuses a PPD file with such names as a whole.)
bool fitsOptionText(const char* text) {
  return std::strlen(text) <= kOptionTextMax;
}

void removeEntry(OptionEntry* entry) {
  entry->prev->next = entry->next;
  entry->next->prev = entry->prev;
  delete entry;
}

// Adds the default of one option; false when no entry could be had.
bool collectOption(const ppd_option_t& option, OptionEntry* head, int& added) {
  if (!fitsOptionText(option.keyword) || !fitsOptionText(option.defchoice))
    return true;
  for (int i = 0; i < option.num_choices; ++i) {
    if (std::strcmp(option.choices[i].choice, option.defchoice) != 0)
      continue;
    OptionEntry* entry = new (std::nothrow) OptionEntry;
    if (!entry)
      return false;
    entry->keyword = option.keyword;
    entry->choice = option.choices[i].choice;
    entry->index = ++added;
    addOptList(head, entry);
  }
  return true;
}

}  // namespace

void addOptList(OptionEntry* head, OptionEntry* entry) {
  ringAppend(head, entry, "addOptList(NULL,...) Error!\n");
}

int clearOptList(OptionEntry* head) {
  ringClear(head);
  return 0;
}

OptionEntry* findOption(OptionEntry* head, const std::string& name) {
  if (!head || name.empty())
    return nullptr;
  for (OptionEntry* entry = head->next; entry != head; entry = entry->next)
    if (entry->keyword.compare(name.c_str() + 1) == 0)
      return entry;
  return nullptr;
}

int collectDefaults(const std::string& ppdFile, OptionEntry* head, int& count) {
  ppd_file_t* ppd = ppdOpenFile(ppdFile.c_str());
  if (!ppd) {
    std::fprintf(stderr, catalogue(kCannotOpenPpd), ppdFile.c_str());
    return 0;
  }
  int added = 0;
  bool ok = true;
  for (int g = 0; ok && g < ppd->num_groups; ++g) {
    const ppd_group_t& group = ppd->groups[g];
    for (int o = 0; ok && o < group.num_options; ++o)
      ok = collectOption(group.options[o], head, added);
  }
  if (!ok)
    logFormat("Cannot allocate memory for the options of %s.", ppdFile.c_str());
  ppdClose(ppd);
  count = added;
  return added;
}

int keepOfferedChoices(const std::string& ppdFile, OptionEntry* head, int& count) {
  ppd_file_t* ppd = ppdOpenFile(ppdFile.c_str());
  if (!ppd)
    return 0;
  OptionEntry* entry = head->next;
  while (entry != head) {
    OptionEntry* next = entry->next;
    ppd_option_t* option = ppdFindOption(ppd, entry->keyword.c_str());
    if (!option || !ppdFindChoice(option, entry->choice.c_str())) {
      logFormat("Option %s/%s is not offered by the new PPD: its own default stays.",
                entry->keyword.c_str(), entry->choice.c_str());
      removeEntry(entry);
      --count;
    }
    entry = next;
  }
  ppdClose(ppd);
  return 1;
}

bool isReadablePpd(const std::string& ppdFile) {
  ppd_file_t* ppd = ppdOpenFile(ppdFile.c_str());
  if (ppd)
    ppdClose(ppd);
  return ppd != nullptr;
}
