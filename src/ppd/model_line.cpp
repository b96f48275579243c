#include "ppd/model_line.h"

#include "ppd/model_table.h"
#include "ppd/printer_list.h"

namespace {

const char kModelKeyword[] = "*ModelName:";
const char kVersionKeyword[] = "*% Lumo version:";

// The model identifier of the first row of the table whose name occurs in
// the text, or 0; the order of the rows decides.
int searchTable(std::string_view text) {
  for (int i = 0; i < kModelCount; ++i)
    if (text.find(kModelTable[i].name) != std::string_view::npos)
      return kModelTable[i].id;
  return 0;
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
