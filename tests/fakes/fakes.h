// Test doubles for everything the program reaches outside itself. Each fake
// replaces one piece of the platform or the support library at link time;
// a test program links the fakes it needs instead of the real pieces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"
#include "vestriosupport.h"

namespace fake {

// --- Network (fake_net.cpp) ----------------------------------------------

// What NetRemoteTOD answers for one host.
struct Answer {
    std::uint32_t status = 0;
    std::optional<platform::TIME_OF_DAY_INFO> record;  // none: a null buffer
};
// Scripts the answer for `host`; hosts without a script answer 53.
void Script(const std::u16string& host, const Answer& answer);
// The hosts asked, in order.
extern std::vector<std::u16string> hosts_asked;
// Buffers handed out and not yet freed.
extern int buffers_outstanding;
platform::TIME_OF_DAY_INFO Record(int year, int month, int day, int hour, int minute, int second,
                                  int hundredths);

// --- Clock (fake_clock.cpp) ----------------------------------------------

// The local UTC time that GetSystemTime reads.
extern platform::SYSTEMTIME now_utc;
// Whether SetSystemTime may succeed (it also refuses what Windows refuses).
extern bool may_set_clock;
// The times SetSystemTime accepted.
extern std::vector<platform::SYSTEMTIME> clock_set;

// --- Runtime (fake_runtime.cpp) ------------------------------------------

extern std::u16string command_text;
extern std::u16string exe_base_name;
extern int stop_signal;  // what StopSignal() reports
// What Now() reads.
extern double now;
struct MessageBox {
    std::u16string text;
    platform::MessageIcon icon;
    std::u16string caption;
};
extern std::vector<MessageBox> message_boxes;

// Thrown by the fake platform::Fatal in place of ending the process.
struct FatalError {
    std::u16string what_failed;
    std::int32_t status;
};

// --- Support library (fake_support.cpp) -----------------------------------

// Each operation fails with this status when named in fail_operation.
extern std::string fail_operation;
extern std::int32_t fail_status;
// The Boolean that vlSetPrivilegeForProcess and vlIsInIDE yield, raw.
extern std::int16_t privilege_result;
extern std::int16_t in_ide_result;
struct Entry {
    bool information;
    std::u16string text;
};
extern std::vector<Entry> log_entries;
extern std::vector<std::u16string> icon_resources;  // vlSetWindowResIconAll names

// Each fake back to its defaults.
void ResetNet();
void ResetClock();
void ResetRuntime();
void ResetSupport();

}  // namespace fake
