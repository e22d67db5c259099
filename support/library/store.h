// Where the library keeps log entries: each platform stores an entry in
// every place it keeps them (log-posix.cpp, log-win32.cpp).
#pragma once

#include <cstdint>

#include "logentry.h"
#include "vestriosupport.h"

namespace vllog {

// Stores *text as one entry of `kind` in every place the platform keeps
// entries, and yields the log file's path (log-posix.cpp, log-win32.cpp).
std::int32_t Store(BSTR* text, BSTR* log_file, Kind kind);

}  // namespace vllog
