#include "ppd/default_decisions.h"

#include <algorithm>

#include "base/log.h"

namespace {

// Equal without regard to ASCII case, as libcups compares names.
bool sameName(const std::string& a, const std::string& b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return lower(x) == lower(y);
         });
}

// The first offered option of that name, as libcups finds it.
const OfferedOption* findOffered(const OfferedOptions& offered, const std::string& keyword) {
  for (const OfferedOption& option : offered)
    if (sameName(option.keyword, keyword))
      return &option;
  return nullptr;
}

const std::string* findChoice(const OfferedOption& option, const std::string& choice) {
  for (const std::string& offered : option.choices)
    if (sameName(offered, choice))
      return &offered;
  return nullptr;
}

bool isCarried(const DefaultDecisions& decisions, const std::string& newKeyword) {
  return std::any_of(decisions.begin(), decisions.end(), [&](const DefaultDecision& d) {
    return d.kind == DefaultKind::kCarried && d.newKeyword == newKeyword;
  });
}

DefaultDecision decide(const OptionEntry& entry, const OfferedOptions& offered,
                       const DefaultDecisions& earlier) {
  DefaultDecision decision{entry.keyword, entry.choice, "", "", DefaultKind::kNotOffered};
  const OfferedOption* option = findOffered(offered, entry.keyword);
  if (!option)
    return decision;
  decision.newKeyword = option->keyword;
  decision.newChoice = option->defaultChoice;
  const std::string* choice = findChoice(*option, entry.choice);
  if (!choice)
    return decision;
  if (isCarried(earlier, option->keyword)) {
    decision.kind = DefaultKind::kRepeated;
    return decision;
  }
  decision.newChoice = *choice;
  decision.kind = DefaultKind::kCarried;
  return decision;
}

}  // namespace

const char* defaultKindName(DefaultKind kind) {
  switch (kind) {
    case DefaultKind::kCarried: return "carried";
    case DefaultKind::kNotOffered: return "not-offered";
    case DefaultKind::kRepeated: return "repeated";
  }
  return "not-offered";
}

DefaultDecisions decideDefaults(const OptionList& defaults, const OfferedOptions& offered) {
  DefaultDecisions decisions;
  for (const OptionEntry& entry : defaults)
    decisions.push_back(decide(entry, offered, decisions));
  return decisions;
}

OptionList carriedDefaults(const DefaultDecisions& decisions) {
  OptionList options;
  for (const DefaultDecision& decision : decisions)
    if (decision.kind == DefaultKind::kCarried)
      options.push_back({decision.newKeyword, decision.newChoice, int(options.size()) + 1});
  return options;
}

void logDefaultsLeft(Log& log, const DefaultDecisions& decisions) {
  for (const DefaultDecision& d : decisions) {
    if (d.kind == DefaultKind::kNotOffered)
      log.printf("Option %s/%s is not offered by the new PPD: its own default stays.",
                 d.keyword.c_str(), d.oldChoice.c_str());
    else if (d.kind == DefaultKind::kRepeated)
      log.printf("Option %s/%s is the new PPD's %s once more: passed over.", d.keyword.c_str(),
                 d.oldChoice.c_str(), d.newKeyword.c_str());
  }
}
