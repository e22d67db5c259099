// NetRemoteTOD from a script of answers.
#include <cstring>
#include <map>

#include "fakes.h"

namespace fake {

std::vector<std::u16string> hosts_asked;
int buffers_outstanding = 0;
std::vector<std::uint32_t> dc_flags_asked;
namespace {
std::map<std::u16string, Answer> answers;
std::map<std::u16string, Domain> domains;
std::map<std::u16string, std::size_t> discoveries;
}  // namespace

void ScriptDomain(const std::u16string& domain, const Domain& script) {
    domains[domain] = script;
}

void Script(const std::u16string& host, const Answer& answer) {
    answers[host] = answer;
}

platform::TIME_OF_DAY_INFO Record(int year, int month, int day, int hour, int minute, int second,
                                  int hundredths) {
    const auto u = [](int v) { return static_cast<std::uint32_t>(v); };
    platform::TIME_OF_DAY_INFO r{};
    r.tod_year = u(year), r.tod_month = u(month), r.tod_day = u(day), r.tod_hours = u(hour);
    r.tod_mins = u(minute), r.tod_secs = u(second), r.tod_hunds = u(hundredths);
    r.tod_timezone = -60;
    r.tod_weekday = 3;
    return r;
}

void ResetNet() {
    hosts_asked.clear();
    answers.clear();
    domains.clear();
    discoveries.clear();
    dc_flags_asked.clear();
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
        // Exactly the record's size, for the address sanitizer.
        *buffer = new std::uint8_t[sizeof(TIME_OF_DAY_INFO)];
        std::memcpy(*buffer, &*it->second.record, sizeof(TIME_OF_DAY_INFO));
        ++fake::buffers_outstanding;
    }
    return it->second.status;
}

std::uint32_t NetRemoteTODPrecise(std::u16string_view server, std::uint8_t** buffer,
                                  estimate::Estimate* time, bool* estimated) {
    const std::uint32_t status = NetRemoteTOD(server, buffer);
    const auto it = fake::answers.find(std::u16string(server));
    *estimated = *buffer != nullptr && it->second.estimate.has_value();
    if (*estimated) {
        *time = *it->second.estimate;
    }
    return status;
}

std::uint32_t DsGetDcName(std::u16string_view domain, std::uint32_t flags, TimeServer* found) {
    fake::dc_flags_asked.push_back(flags);
    const auto it = fake::domains.find(std::u16string(domain));
    if (it == fake::domains.end() || it->second.found.empty() ||
        (!it->second.time_service && (flags & kDsTimeservRequired) != 0)) {
        return 1355;
    }
    std::size_t& n = fake::discoveries[std::u16string(domain)];
    if ((flags & kDsForceRediscovery) != 0 && n + 1 < it->second.found.size()) {
        ++n;
    }
    *found = it->second.found[n];
    return 0;
}

void NetApiBufferFree(void* buffer) {
    if (buffer != nullptr) {
        delete[] static_cast<std::uint8_t*>(buffer);
        --fake::buffers_outstanding;
    }
}

}  // namespace platform
