// Any 48 bytes as the remote record: the report is made, and the clock
// time handed on is checked against an independent judge (the calendar of
// <chrono>). Never a time that Windows' SetSystemTime would refuse reaches
// the clock, a record that fits is always tried, and nothing crashes.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fakes/fakes.h"
#include "runlog.h"
#include "sync.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool WindowsTakes(const platform::SYSTEMTIME& t) {
    using namespace std::chrono;
    // <chrono> keeps months and days in 8 bits: bound them first.
    if (t.wMonth > 12 || t.wDay > 31) {
        return false;
    }
    const year_month_day day{year{t.wYear}, month{t.wMonth}, std::chrono::day{t.wDay}};
    return day.ok() && t.wYear >= 1601 && t.wYear <= 30827 && t.wHour < 24 && t.wMinute < 60 &&
           t.wSecond < 60 && t.wMilliseconds < 1000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size != sizeof(platform::TIME_OF_DAY_INFO))
        return 0;
    platform::TIME_OF_DAY_INFO r;
    std::memcpy(&r, data, sizeof r);
    fake::ResetNet();
    fake::ResetClock();
    fake::ResetRuntime();
    fake::ResetSupport();
    runLog.clear();
    fake::Script(u"HOST", {0, r});
    const bool set = SyncFromHost(u"HOST");
    Check(runLog.find(u"] Remote date & time: ") != std::u16string::npos);

    // Each field read signed; milliseconds are ten times the hundredths.
    const std::int64_t fields[] = {std::int32_t(r.tod_year),
                                   std::int32_t(r.tod_month),
                                   std::int32_t(r.tod_day),
                                   std::int32_t(r.tod_hours),
                                   std::int32_t(r.tod_mins),
                                   std::int32_t(r.tod_secs),
                                   std::int64_t{std::int32_t(r.tod_hunds)} * 10};
    bool fits = std::int32_t(r.tod_hunds) >= -32768 && std::int32_t(r.tod_hunds) <= 32767;
    for (const auto f : fields)
        fits = fits && f >= -32768 && f <= 32767;
    Check(fits == (runLog.find(u"returned an invalid time") == std::u16string::npos));
    const auto b = [&](int i) { return static_cast<std::uint16_t>(fields[i]); };
    const platform::SYSTEMTIME wanted{b(0), b(1), 0, b(2), b(3), b(4), b(5), b(6)};
    Check(set == (fits && WindowsTakes(wanted)));
    Check(fake::clock_set.size() == (set ? 1u : 0u));
    Check(!set || std::memcmp(&fake::clock_set[0], &wanted, sizeof wanted) == 0);
    Check(fake::buffers_outstanding == 0);
    return 0;
}
