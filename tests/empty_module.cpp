// An executable without resources, for the tests of the fatal error path:
// linked in place of the real resource table, it leaves the icon group
// A_MAIN missing, so that start-up's vlSetWindowResIconAll fails.
#include "vlruntime.h"

extern "C" const vlpModule vlpExecutableModule = {nullptr, 0};
