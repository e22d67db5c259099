// One attempt to set this machine's clock from one host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

// What the command line asked of each attempt.
struct SyncOptions {
    bool dry_run = false;
    // Ask again and again, and set the clock to the estimate of the host's
    // time at the moment it is set (estimate.h).
    bool precise = false;
    // A step larger than this, either way, is not taken; 0 for no limit.
    std::int64_t max_step_seconds = 0;
};

// Asks `host` for its time of day, logs the local and the remote time and
// the step between them, and sets the system clock to the remote time. Every
// step and every failure is logged; true only when the clock has been set.
// A dry run stops before the privilege and the clock, says so, and is true
// when the host answered with a time that would have been set. *usable,
// when given, tells whether the host answered with a time that was to be
// set (whatever became of it then).
bool SyncFromHost(const std::u16string& host, const SyncOptions& options = {},
                  bool* usable = nullptr);

// Finds a time server of `domain` (empty: this computer's own) with
// DsGetDcName, and syncs from it as SyncFromHost does. When the server
// fails, the domain is asked once more, forcing a new discovery, and the
// server found then is tried; not when it answered and this machine could
// not set its clock.
bool SyncFromDomain(const std::u16string& domain, const SyncOptions& options = {});

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
