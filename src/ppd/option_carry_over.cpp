#include "ppd/option_carry_over.h"

#include "base/line_reader.h"
#include "base/log.h"

namespace {

const char kDefaultMarker[] = "*Default";

bool contains(const std::string& text, const char* marker) {
  return text.find(marker) != std::string::npos;
}

// A block is a user-interface option's ("*OpenUI" ... "*CloseUI") or a JCL
// option's ("*JCLOpenUI" ... "*JCLCloseUI").  The JCL markers do not
// contain the others (the asterisk comes first), so each is looked for.
bool opensBlock(const std::string& piece) {
  return contains(piece, "*OpenUI") || contains(piece, "*JCLOpenUI");
}

bool closesBlock(const std::string& piece) {
  return contains(piece, "*CloseUI") || contains(piece, "*JCLCloseUI");
}

// Writes the default line of a block, with the old PPD's choice when the
// option list has one.  False when the piece is no default line to rewrite.
bool rewriteDefault(Log& log, const std::string& piece, FILE* output, const OptionList& options) {
  std::string value;
  std::optional<std::string> keyword = readDefaultLine(piece, value);
  if (!keyword)
    return false;
  if (log.debugLevel() > 0)
    log.printf("processNewPPD(%s).\n", keyword->c_str());
  if (const OptionEntry* entry = findOption(options, *keyword)) {
    log.printf(msg::kSettingNewOption, keyword->c_str(), entry->choice.c_str());
    if (!entry->choice.empty())
      value = entry->choice;
  }
  std::fprintf(output, "*Default%s: %s\n", keyword->c_str() + 1, value.c_str());
  return true;
}

}  // namespace

void processNewPPD(Log& log, FILE* input, FILE* output, const OptionList& options) {
  log.printf("processNewPPD(nOptions=%d)\n", int(options.size()));
  bool inBlock = false;
  bool lineStart = true;  // the piece begins a line
  std::string piece;
  bool whole = true;
  while (readPiece(input, piece, whole)) {
    bool completeLine = lineStart && whole;
    lineStart = whole;
    bool blockWay = inBlock ? !closesBlock(piece) : opensBlock(piece);
    inBlock = blockWay;
    if (blockWay && completeLine && contains(piece, "Default") &&
        rewriteDefault(log, piece, output, options))
      continue;
    std::fputs(piece.c_str(), output);
  }
}

std::optional<std::string> readDefaultLine(const std::string& line, std::string& value) {
  if (contains(line, "*DefaultColorSep"))
    return std::nullopt;
  size_t at = line.find(kDefaultMarker);
  if (at == std::string::npos)
    return std::nullopt;
  at += sizeof kDefaultMarker - 1;
  size_t end = line.find_first_of(" :", at);
  if (end == std::string::npos || end - at > kDefaultKeywordMax)
    return std::nullopt;
  std::string keyword = "*" + line.substr(at, end - at);

  at = end;
  if (line[at] == ':')
    ++at;
  while (at < line.size() && line[at] == ' ')
    ++at;
  end = line.find_first_of("\n\r ", at);
  if (end == std::string::npos)
    end = line.size();
  if (end - at > kDefaultValueMax)
    return std::nullopt;
  value = line.substr(at, end - at);
  return keyword;
}
