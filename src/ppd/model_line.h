// Recognising the maker's PPD files by two lines near their top: the model
// line ("*ModelName:") naming a model of the model table, with the
// page-description language at its end, and the product's version line
// ("*% Lumo version:").
#ifndef LUMO_PPD_MODEL_LINE_H
#define LUMO_PPD_MODEL_LINE_H

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// The page-description language named in the eight characters before the
// line's last character: " PCL" 2, " PXL" 3, " PS" 1, else 0.
int pdlFromWindow(std::string_view line);

// Recognises model lines.  The model table's answer is remembered per model
// text: the queues of a print server share a few models, and the table has
// hundreds of rows to search.
class ModelMatcher {
 public:
  // For a line holding "*ModelName:", sets pdlKind from the line as read
  // and, when a model of the table occurs in the model text (the value after
  // the keyword and its spaces, without the line end), sets modelId and
  // returns that text.  Nothing for any other line.
  std::optional<std::string> parse(std::string_view line, int& pdlKind, int& modelId);

 private:
  bool findModel(std::string_view text, int& modelId);
  std::unordered_map<std::string, int> known_;
};

// ModelMatcher::parse with a matcher of its own.
std::optional<std::string> parseModelLine(std::string_view line, int& pdlKind, int& modelId);

// The digit that follows "*% Lumo version:" and its spaces, or -1.
int readLumoVersion(std::string_view line);

#endif
