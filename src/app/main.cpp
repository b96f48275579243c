#include <cstdio>

#include "app/setup_run.h"
#include "base/tmp_file.h"

int main(int argc, char** argv) {
  try {
    return SetupRun().run(argc, argv);
  } catch (const TmpFileError& error) {
    // Without the temporary file the run cannot go on.
    std::fputs(error.what(), stderr);
    return 255;
  }
}
