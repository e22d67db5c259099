// Any 48 bytes as the remote record: the report is made, and the clock
// time handed on is checked against an independent judge (the calendar of
// <chrono>). Never a time that Windows' SetSystemTime would refuse reaches
// the clock, a record that fits is always tried, and nothing crashes.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fakes/fakes.h"
#include "log/runlog.h"
#include "sync/sync.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool Fits(std::int64_t v) {
    return v >= -32768 && v <= 32767;
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
    platform::TIME_OF_DAY_INFO record;
    std::memcpy(&record, data, sizeof record);

    const std::u16string report = TimeReport(fake::now_utc, record);
    Check(report.find(u"\r\nRemote date & time: ") != std::u16string::npos);

    fake::ResetNet();
    fake::ResetClock();
    fake::ResetRuntime();
    fake::ResetSupport();
    runLog.clear();
    fake::Script(u"HOST", {0, record});
    const bool set = SyncFromHost(u"HOST");

    const std::int64_t fields[] = {
        static_cast<std::int32_t>(record.tod_year), static_cast<std::int32_t>(record.tod_month),
        static_cast<std::int32_t>(record.tod_day),  static_cast<std::int32_t>(record.tod_hours),
        static_cast<std::int32_t>(record.tod_mins), static_cast<std::int32_t>(record.tod_secs),
        static_cast<std::int32_t>(record.tod_hunds)};
    bool fits = Fits(fields[6] * 10);
    for (const auto f : fields)
        fits = fits && Fits(f);

    Check(fake::clock_set_calls.size() == (fits ? 1u : 0u));
    for (const auto& t : fake::clock_set)
        Check(WindowsTakes(t));
    Check(set == (fake::clock_set.size() == 1));
    if (fits) {
        const auto& t = fake::clock_set_calls[0];
        Check(t.wYear == static_cast<std::uint16_t>(fields[0]) &&
              t.wMilliseconds == static_cast<std::uint16_t>(fields[6] * 10));
        Check(set == WindowsTakes(t));
    }
    Check(fake::buffers_outstanding == 0);
    return 0;
}
