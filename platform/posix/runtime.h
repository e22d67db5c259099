// Starting and stopping the application runtime on Linux.
#pragma once

namespace platform::posix {

// Takes the command line, makes sure standard input, output and error are
// open, and creates the runtime's invisible main window.
void StartRuntime(int argc, char** argv);

// Destroys the main window.
void StopRuntime();

}  // namespace platform::posix
