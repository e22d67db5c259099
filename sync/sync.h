// One attempt to set this machine's clock from one host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

// Asks `host` for its time of day, logs the local and the remote time and
// the step between them, and sets the system clock to the remote time. Every
// step and every failure is logged; true only when the clock has been set.
// A dry run stops before the privilege and the clock, says so, and is true
// when the host answered.
bool SyncFromHost(const std::u16string& host, bool dry_run = false);

// "Step: +0.742 s (remote time minus local time)." for a step in
// milliseconds.
std::u16string StepLine(std::int64_t milliseconds);

// The three report lines, joined by CR LF: the local time, the remote time,
// and a note that both are UTC.
std::u16string TimeReport(const platform::SYSTEMTIME& local,
                          const platform::TIME_OF_DAY_INFO& remote);

// The clock time that `remote` carries, or false when a field (or the
// hundredths times ten) does not fit a signed 16-bit number.
bool NewClockTime(const platform::TIME_OF_DAY_INFO& remote, platform::SYSTEMTIME* time);
