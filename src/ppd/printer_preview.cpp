#include "ppd/printer_preview.h"

#include "ppd/option_list.h"
#include "ppd/ppd_file.h"

namespace {

// The product PPD's own default for the option, or empty.
std::string ownDefault(ppd_file_t* ppd, const std::string& keyword) {
  ppd_option_t* option = ppd ? ppdFindOption(ppd, keyword.c_str()) : nullptr;
  return option ? option->defchoice : "";
}

}  // namespace

PrinterPreview previewPrinter(Log& log, ProductPpdIndex& index, const std::string& ppdDir,
                              const PrinterEntry& printer) {
  PrinterPreview preview;
  OptionList defaults;
  collectDefaults(printer.ppdPath, defaults);
  if (!findProductPpd(log, index, ppdDir, printer, preview.productPpd))
    return preview;
  OptionList carried = defaults;
  std::optional<OfferedOptions> offered = readOfferedOptions(preview.productPpd);
  keepOfferedChoices(log, offered ? &*offered : nullptr, carried);
  PpdFile ppd = openPpd(preview.productPpd);
  for (const OptionEntry& entry : defaults) {
    OptionPreview option{entry.keyword, entry.choice, false, ""};
    if (const OptionEntry* kept = findIndex(carried, entry.index)) {
      option.carried = true;
      option.newChoice = kept->choice;
    } else {
      option.newChoice = ownDefault(ppd.get(), entry.keyword);
    }
    preview.options.push_back(option);
  }
  return preview;
}
