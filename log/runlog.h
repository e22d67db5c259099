// The run log: every message of a run, one timestamped line per message
// line, kept in memory and handed to the support library once at the end.
#pragma once

#include <string>
#include <string_view>

// The log text of this run. Only ever extended at its end.
extern std::u16string runLog;

// Appends one line per CR LF-separated piece of `text`:
// "[" time "] [" date "] " piece CR LF. Pieces that are empty once trimmed
// add nothing.
void AddLog(std::u16string_view text);

// Hands the log, without its final line break, to the support library as
// one information entry (success) or one error entry.
void FlushLog(bool success);
