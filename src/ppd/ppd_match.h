// Finding the product's PPD file for a printer: the file in a directory
// whose model line names the same model, model identifier and
// page-description language.
#ifndef LUMO_PPD_PPD_MATCH_H
#define LUMO_PPD_PPD_MATCH_H

#include <optional>
#include <string>

#include "ppd/printer_list.h"

// The model text of the file's first recognised model line, read with the
// CUPS file functions (plain or gzip-compressed), with its pdlKind and
// modelId.  Nothing when there is none; "Unable to open '%s'!" on standard
// error when the file cannot be opened.
std::optional<std::string> readPpdModel(const std::string& path, int& pdlKind, int& modelId);

// Puts into `path` the first entry of the directory whose model text begins
// with modelName and whose identifier and language agree.  1 found, 0 not.
// The directory's files are read once per run (again when the directory
// changes), so "Unable to open" comes once per unreadable file.
int findPpdInDir(const std::string& dir, const std::string& modelName, int pdlKind, int modelId,
                 std::string& path);

// Logs the directory searched; 0 when it does not exist, else findPpdInDir
// with the printer's model name.
int findPpdFile(const std::string& dir, const PrinterEntry& printer, int pdlKind, int modelId,
                std::string& path);

// findPpdFile on dir, then on the product's own directory "/opt/oxa/ppd".
int findProductPpd(const std::string& dir, const PrinterEntry& printer, std::string& path);

#endif
