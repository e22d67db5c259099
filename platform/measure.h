// The asking behind NetRemoteTODPrecise, shared by the platforms'
// implementations: it runs where the answers arrive (the network helper on
// Linux, the program itself on Windows).
#pragma once

#include <cstdint>
#include <functional>

#include "estimate.h"
#include "platform.h"

namespace platform {

// One NetRemoteTOD: a Windows error code, and *record filled when
// *has_record.
using AskOnce = std::function<std::uint32_t(TIME_OF_DAY_INFO* record, bool* has_record)>;

// Asks with `ask_once` as estimate::Measure says, against the steady clock
// that MonotonicMicroseconds() also reads (read here directly: the helper's
// tests link no clock). Returns the first question's status;
// on success *record and *has_record are the answer used, and *time the
// estimate when *estimated.
std::uint32_t MeasureTimeOfDay(const AskOnce& ask_once, TIME_OF_DAY_INFO* record, bool* has_record,
                               estimate::Estimate* time, bool* estimated);

}  // namespace platform
