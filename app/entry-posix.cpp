// The process entry point: the runtime starts, calls Main once, and ends
// the process with the run's exit status.
#include "modMain.h"
#include "runtime.h"

int main(int argc, char** argv) {
    platform::posix::StartRuntime(argc, argv);
    const int status = Main();
    platform::posix::StopRuntime();
    return status;
}
