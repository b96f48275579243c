// The preview (-n): the run's plan, on standard output, made without
// changing anything.
#ifndef LUMO_APP_PREVIEW_H
#define LUMO_APP_PREVIEW_H

#include <cstdio>
#include <string>

#include "app/run_record.h"

// An installing run: the product PPD directory, the manifest's files with
// their destinations, modes and actions, and each queue on the maker's
// older PPDs with the PPD it would get and the fate of each default.
void previewInstall(FILE* out, const InstallPlan& plan, const std::string& installDir);

// A removing run: the queues, files and directories it would delete.
void previewRemoval(FILE* out, const RemovalPlan& plan);

#endif
