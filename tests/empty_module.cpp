// In place of the real resource table: no icon group A_MAIN, so that
// start-up's vlSetWindowResIconAll fails (the fatal error path tests).
#include "platform/posix/window.h"

extern "C" const vlpModule vlpExecutableModule = {nullptr, 0};
