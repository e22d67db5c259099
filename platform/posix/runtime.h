// Starting and stopping the application runtime on Linux.
#pragma once

namespace platform::posix {

// Gives up every capability but CAP_SYS_TIME (kept in the permitted set
// only), takes the command line, makes sure standard input, output and
// error are open, and creates the runtime's invisible main window.
void StartRuntime(int argc, char** argv);

// Destroys the main window.
void StopRuntime();

}  // namespace platform::posix
