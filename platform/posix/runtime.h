// Starting and stopping the application runtime on Linux.
#pragma once

namespace platform::posix {

// Makes sure standard input, output and error are open, starts the network
// helper's launcher, gives up every capability but CAP_SYS_TIME (kept in
// the permitted set only; ends the process with status 70 when it cannot),
// catches the stop signals, takes the command line, and creates the
// runtime's invisible main window.
void StartRuntime(int argc, char** argv);

// Destroys the main window.
void StopRuntime();

}  // namespace platform::posix
