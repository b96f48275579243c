#include "ppd/model_line.h"

#include <algorithm>

#include "ppd/model_table.h"
#include "ppd/printer_list.h"

namespace {

const char kModelKeyword[] = "*ModelName:";
const char kVersionKeyword[] = "*% Lumo version:";

size_t sameBeginning(std::string_view a, std::string_view b) {
  size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same])
    ++same;
  return same;
}

// The first row (in table order) whose name the text begins with, or
// kModelCount.  Such names sort at or before the text; walking down the
// sorted names from there, one that the text does not begin with shares
// only `same` characters with it, and every name between it and the next
// one the text begins with is longer than that, so the walk skips them.
int firstRowBeginning(std::string_view text) {
  auto byName = [](std::string_view key, const ModelName& entry) { return key < entry.name; };
  const ModelName* begin = kModelNamesSorted;
  const ModelName* next = std::upper_bound(begin, begin + kModelCount, text, byName);
  int first = kModelCount;
  while (next != begin) {
    const ModelName& entry = *--next;
    size_t same = sameBeginning(entry.name, text);
    if (same == entry.name.size())
      first = std::min(first, entry.row);
    else
      next = std::upper_bound(begin, next, text.substr(0, same), byName);
  }
  return first;
}

// The model identifier of the first row of the table whose name occurs in
// the text, or 0; the order of the rows decides.  A name can occur only
// where the beginning all names share does.
int searchTable(std::string_view text) {
  std::string_view common = kModelNamesSorted[0].name.substr(
      0, sameBeginning(kModelNamesSorted[0].name, kModelNamesSorted[kModelCount - 1].name));
  int first = kModelCount;
  for (size_t at = text.find(common); at != std::string_view::npos;
       at = text.find(common, at + 1))
    first = std::min(first, firstRowBeginning(text.substr(at)));
  return first < kModelCount ? kModelTable[first].id : 0;
}

// The position of the first non-space character at or after `from`.
size_t skipSpaces(std::string_view line, size_t from) {
  while (from < line.size() && line[from] == ' ')
    ++from;
  return from;
}

}  // namespace

int pdlFromWindow(std::string_view line) {
  if (line.empty())
    return kPdlUnknown;
  size_t end = line.size() - 1;
  size_t begin = end > 8 ? end - 8 : 0;
  std::string_view window = line.substr(begin, end - begin);
  if (window.find(" PCL") != std::string_view::npos)
    return kPdlPcl;
  if (window.find(" PXL") != std::string_view::npos)
    return kPdlPxl;
  if (window.find(" PS") != std::string_view::npos)
    return kPdlPostScript;
  return kPdlUnknown;
}

bool ModelMatcher::findModel(std::string_view text, int& modelId) {
  auto [entry, added] = known_.try_emplace(std::string(text), 0);
  if (added)
    entry->second = searchTable(text);
  if (entry->second == 0)
    return false;
  modelId = entry->second;
  return true;
}

std::optional<std::string> ModelMatcher::parse(std::string_view line, int& pdlKind,
                                               int& modelId) {
  size_t keyword = line.find(kModelKeyword);
  if (keyword == std::string_view::npos)
    return std::nullopt;
  pdlKind = pdlFromWindow(line);
  std::string_view text = line.substr(skipSpaces(line, keyword + sizeof kModelKeyword - 1));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.remove_suffix(1);
  if (!findModel(text, modelId))
    return std::nullopt;
  return std::string(text);
}

std::optional<std::string> parseModelLine(std::string_view line, int& pdlKind, int& modelId) {
  return ModelMatcher().parse(line, pdlKind, modelId);
}

int readLumoVersion(std::string_view line) {
  size_t keyword = line.find(kVersionKeyword);
  if (keyword == std::string_view::npos)
    return -1;
  size_t at = skipSpaces(line, keyword + sizeof kVersionKeyword - 1);
  if (at < line.size() && line[at] >= '0' && line[at] <= '9')
    return line[at] - '0';
  return -1;
}
