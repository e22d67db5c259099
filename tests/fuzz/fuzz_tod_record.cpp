// Any record as the remote answer: the report is made, and the clock is set,
// to exactly that time, when every field (read signed) fits 16 bits and
// <chrono> calls it a time that SetSystemTime takes.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "fakes/fakes.h"
#include "runlog.h"
#include "sync.h"

#define CHECK(c) (c) ? (void)0 : __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::TIME_OF_DAY_INFO r;
    if (size != sizeof r)
        return 0;
    std::memcpy(&r, data, sizeof r);
    fake::ResetAll();
    fake::Script(u"HOST", {0, r});
    const bool set = SyncFromHost(u"HOST");
    CHECK(runLog.find(u"] Remote date & time: ") != runLog.npos);
    const std::int64_t f[] = {std::int32_t(r.tod_year),
                              std::int32_t(r.tod_month),
                              std::int32_t(r.tod_day),
                              std::int32_t(r.tod_hours),
                              std::int32_t(r.tod_mins),
                              std::int32_t(r.tod_secs),
                              std::int64_t{std::int32_t(r.tod_hunds)} * 10};
    const bool fits = std::all_of(f, f + 7, [](auto v) { return v >= -32768 && v <= 32767; });
    CHECK(fits == (runLog.find(u"returned an invalid time") == runLog.npos));
    const auto in = [](auto v, int low, int high) { return v >= low && v <= high; };
    using namespace std::chrono;
    const bool valid =
        fits && in(f[0], 1601, 30827) && in(f[1], 1, 12) && in(f[2], 1, 31) &&
        year_month_day{year(int(f[0])), month(unsigned(f[1])), day(unsigned(f[2]))}.ok() &&
        in(f[3], 0, 23) && in(f[4], 0, 59) && in(f[5], 0, 59) && in(f[6], 0, 999);
    CHECK(set == valid && fake::clock_set.size() == (set ? 1u : 0u));
    CHECK(fake::buffers_outstanding == 0);
    const auto& t = fake::clock_set;
    CHECK(!set ||
          (t[0].wYear == f[0] && t[0].wMonth == f[1] && t[0].wDay == f[2] && t[0].wHour == f[3] &&
           t[0].wMinute == f[4] && t[0].wSecond == f[5] && t[0].wMilliseconds == f[6]));
    return 0;
}
