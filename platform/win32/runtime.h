// Starting and stopping the application runtime on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// Registers the runtime's window class and creates its invisible top-level
// main window on the calling thread.
void StartRuntime(HINSTANCE instance);

// Destroys the main window.
void StopRuntime();

// The command text of a whole command line: everything after the program's
// own name, a quoted name included.
std::wstring CommandTextOf(const wchar_t* command_line);

}  // namespace platform::win32
