// In place of the real resource table: no icon group A_MAIN, so that
// start-up's vlSetWindowResIconAll fails (the fatal error path tests).
#include "vlruntime.h"

extern "C" const vlpModule vlpExecutableModule = {nullptr, 0};
