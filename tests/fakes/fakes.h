// Test doubles for everything the program reaches outside itself, each
// linked in place of one piece of the platform or the support library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"
#include "runlog.h"
#include "vestriosupport.h"

namespace fake {

// Network (fake_net.cpp). A host without a script answers 53; a record
// left out is a null buffer.
struct Answer {
    Answer(std::uint32_t s = 0, std::optional<platform::TIME_OF_DAY_INFO> r = std::nullopt,
           std::optional<estimate::Estimate> e = std::nullopt)
        : status(s), record(r), estimate(e) {}
    std::uint32_t status;
    std::optional<platform::TIME_OF_DAY_INFO> record;
    std::optional<estimate::Estimate> estimate;  // what NetRemoteTODPrecise adds
};
void Script(const std::u16string& host, const Answer& answer);
extern std::vector<std::u16string> hosts_asked;
extern int buffers_outstanding;  // handed out, not yet freed
platform::TIME_OF_DAY_INFO Record(int year, int month, int day, int hour, int minute, int second,
                                  int hundredths);
// DsGetDcName: a domain's controllers, each discovery (the first, then one
// forced) finding the next; none advertises the time service unless
// `time_service`. A domain without a script answers 1355.
struct Domain {
    std::vector<platform::TimeServer> found;
    bool time_service = true;
};
void ScriptDomain(const std::u16string& domain, const Domain& script);
extern std::vector<std::uint32_t> dc_flags_asked;  // each DsGetDcName's flags

// Clock (fake_clock.cpp): SetSystemTime refuses what Windows refuses.
extern bool may_set_clock;
extern std::vector<platform::SYSTEMTIME> clock_set;
// MonotonicMicroseconds: each reading is `monotonic_step_us` after the last.
extern std::int64_t monotonic_us;
extern std::int64_t monotonic_step_us;

// Runtime (fake_runtime.cpp). Fatal throws a FatalError.
extern std::u16string command_text;
extern std::u16string exe_base_name;
struct MessageBox {
    std::u16string text;
    platform::MessageIcon icon;
    std::u16string caption;
};
extern std::vector<MessageBox> message_boxes;
extern int stop_signal;                          // what StopSignal() reports
extern std::vector<std::u16string> shown_texts;  // by ShowText()
struct FatalError {
    std::u16string what_failed;
    std::int32_t status;
};

// Support library (fake_support.cpp): the operation named in fail_operation
// fails with fail_status; the Booleans are yielded raw.
extern std::string fail_operation;
extern std::int32_t fail_status;
extern std::int16_t privilege_result;
extern std::int16_t in_ide_result;
struct Entry {
    bool information;
    std::u16string text;
};
extern std::vector<Entry> log_entries;
extern std::vector<std::u16string> icon_resources;  // vlSetWindowResIconAll names

void ResetNet();
void ResetClock();
void ResetRuntime();
void ResetSupport();
inline void ResetAll() {
    ResetNet();
    ResetClock();
    ResetRuntime();
    ResetSupport();
    runLog.clear();
}

}  // namespace fake
