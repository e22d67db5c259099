// NetRemoteTOD from a script of answers.
#include <cstring>
#include <map>

#include "fakes.h"

namespace fake {

std::vector<std::u16string> hosts_asked;
int buffers_outstanding = 0;
namespace {
std::map<std::u16string, Answer> answers;
}

void Script(const std::u16string& host, const Answer& answer) {
    answers[host] = answer;
}

platform::TIME_OF_DAY_INFO Record(int year, int month, int day, int hour, int minute, int second,
                                  int hundredths) {
    platform::TIME_OF_DAY_INFO r{};
    r.tod_year = static_cast<std::uint32_t>(year);
    r.tod_month = static_cast<std::uint32_t>(month);
    r.tod_day = static_cast<std::uint32_t>(day);
    r.tod_hours = static_cast<std::uint32_t>(hour);
    r.tod_mins = static_cast<std::uint32_t>(minute);
    r.tod_secs = static_cast<std::uint32_t>(second);
    r.tod_hunds = static_cast<std::uint32_t>(hundredths);
    r.tod_timezone = -60;
    r.tod_weekday = 3;
    return r;
}

void ResetNet() {
    hosts_asked.clear();
    answers.clear();
    buffers_outstanding = 0;
}

}  // namespace fake

namespace platform {

std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer) {
    fake::hosts_asked.emplace_back(server);
    *buffer = nullptr;
    const auto it = fake::answers.find(std::u16string(server));
    if (it == fake::answers.end()) {
        return 53;
    }
    if (it->second.status == 0 && it->second.record) {
        // A buffer the size of the record, so that reading past it is caught
        // by the address sanitizer.
        *buffer = new std::uint8_t[sizeof(TIME_OF_DAY_INFO)];
        std::memcpy(*buffer, &*it->second.record, sizeof(TIME_OF_DAY_INFO));
        ++fake::buffers_outstanding;
    }
    return it->second.status;
}

void NetApiBufferFree(void* buffer) {
    if (buffer != nullptr) {
        delete[] static_cast<std::uint8_t*>(buffer);
        --fake::buffers_outstanding;
    }
}

}  // namespace platform
