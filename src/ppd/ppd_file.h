// A PPD file opened with libcups, closed when its owner goes.
#ifndef LUMO_PPD_PPD_FILE_H
#define LUMO_PPD_PPD_FILE_H

#include <cups/ppd.h>

#include <memory>
#include <string>

// libcups marks its PPD reader deprecated; reading the queues' own PPD
// files is exactly what it is for.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

struct PpdCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using PpdFile = std::unique_ptr<ppd_file_t, PpdCloser>;

inline PpdFile openPpd(const std::string& path) {
  return PpdFile(ppdOpenFile(path.c_str()));
}

#endif
