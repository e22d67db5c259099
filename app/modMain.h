// modMain: start-up, the host list and the usage box.
#pragma once

#include <string>
#include <string_view>

// Exit statuses of a run; a fatal error ends the process with 70.
inline constexpr int kExitClockSet = 0;
inline constexpr int kExitNoHostUsable = 1;
inline constexpr int kExitUsage = 2;
// A run ended early by signal n exits with kExitSignalBase + n, as a shell
// reports a process that the signal killed.
inline constexpr int kExitSignalBase = 128;

// The program: makes the start-up calls, then either shows the usage
// box or tries the hosts of the command line one after another until one of
// them sets the clock, or until a stop signal arrives, and has the run log
// written. Returns the run's exit
// status for the runtime to end the process with.
int Main();

// Shows "Usage: <name> HostName [HostName [HostName [...]]]" in a message
// box (standard error on Linux); <name> is "todsync[.EXE]" on Windows. A
// `problem` (a word that is no option) is the box's first line.
void ShowUsage(std::u16string_view problem = {});

// What --help shows: the usage line, what the program does, its options.
std::u16string HelpText();
