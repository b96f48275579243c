// The option list: for one printer at a time, the default choice of every
// option of its old PPD file.  A circular, doubly-linked ring whose head is
// a sentinel (it holds no option); its user keeps the count beside it.
#ifndef LUMO_PPD_OPTION_LIST_H
#define LUMO_PPD_OPTION_LIST_H

#include <string>

// Option keywords and choice names hold at most this many characters.
constexpr size_t kOptionTextMax = 40;

struct OptionEntry {
  std::string keyword;  // without the leading asterisk, e.g. PageSize
  std::string choice;   // the default choice, e.g. A4
  int index = 0;        // counted from 1 in the order of collection
  OptionEntry* prev = this;
  OptionEntry* next = this;
};

// Links the entry in just before the head, at the tail; fatal without head.
void addOptList(OptionEntry* head, OptionEntry* entry);

// Frees every entry but the head and links the head to itself.  Returns 0.
int clearOptList(OptionEntry* head);

// The entry whose keyword equals the name without its first character (the
// name is given with its asterisk, as in *PageSize), or nullptr.
OptionEntry* findOption(OptionEntry* head, const std::string& name);

// Adds an entry for every option of the PPD file's top-level groups whose
// default names one of its choices; options whose keyword or choice is
// longer than 40 characters are passed over.  Returns the number added and
// stores it in count; 0 (count untouched) when the file is no readable PPD.
int collectDefaults(const std::string& ppdFile, OptionEntry* head, int& count);

// Removes the entries whose choice the PPD file does not offer for that
// option, logging each, and lowers count.  0 when the file is no readable
// PPD (the list is then untouched), else 1.
int keepOfferedChoices(const std::string& ppdFile, OptionEntry* head, int& count);

// True when libcups can open the file as a PPD.
bool isReadablePpd(const std::string& ppdFile);

#endif
