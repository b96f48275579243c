#include "driver/run_settings.h"

RunSettings run;
