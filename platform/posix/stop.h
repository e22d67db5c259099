// The signals that end a run early: SIGTERM (a service manager's stop),
// SIGINT (Ctrl-C) and SIGHUP (a closed terminal). They do not end the
// process at once: the run stops trying hosts and still writes its entry.
#pragma once

namespace platform::posix {

// Catches the stop signals from now on.
void CatchStopSignals();

// A descriptor that becomes readable once a stop signal has arrived, for
// waits that must end then; -1 before CatchStopSignals.
int StopSignalDescriptor();

// The stop signal that has arrived, or 0.
int ReceivedStopSignal();

}  // namespace platform::posix
