// The process entry point: the runtime creates its main window, calls Main
// once, and ends the process with the run's exit status.
#include <windows.h>

#include "modMain.h"
#include "runtime.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    platform::win32::StartRuntime(instance);
    const int status = Main();
    platform::win32::StopRuntime();
    return status;
}
