// How exactly and how soon a run applies the remote time, through the clock
// seam: this program is SyncFromHost with the real network, runtime and
// support library, and a clock of its own that records instead of setting.
//
//   accuracy HOST RUNS [--precise]
// For each attempt it measures the error of the time handed to
// SetSystemTime: that time minus this machine's clock at the moment of the
// call. Against a server on this machine (the same clock) that is the whole
// error of the run. Without --precise it also checks that the time handed
// over is the one in the report's remote line (milliseconds = hundredths x
// 10), and measures the time from the local clock reading that follows the
// answer to the SetSystemTime call. Prints medians and the largest, and the
// time a run took. The runs start at moments spread over the second.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "civil.h"
#include "platform.h"
#include "runlog.h"
#include "runtime.h"
#include "sync.h"
#include "text.h"

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point answered;
Clock::time_point set_called;
platform::SYSTEMTIME handed{};
double error_ms = 0;  // handed minus the true time at the call

double RealtimeMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Ms(const platform::SYSTEMTIME& t) {
    const auto days = static_cast<double>(civil::DaysFromCivil(t.wYear, t.wMonth, t.wDay));
    return ((days * 24 + t.wHour) * 60 + t.wMinute) * 60'000 + t.wSecond * 1000 + t.wMilliseconds;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}  // namespace

namespace platform {

// Read right after the record has been copied out of the answer buffer.
void GetSystemTime(SYSTEMTIME* time) {
    answered = Clock::now();
    *time = {2026, 1, 4, 1, 0, 0, 0, 0};
}

std::int64_t MonotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

bool SetSystemTime(const SYSTEMTIME& time) {
    const double truth = RealtimeMs();
    set_called = Clock::now();
    handed = time;
    error_ms = Ms(time) - truth;
    return IsValidSystemTime(time);
}

}  // namespace platform

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--precise") != 0)) {
        std::fprintf(stderr, "usage: accuracy HOST RUNS [--precise]\n");
        return 2;
    }
    char name[] = "accuracy";
    char* runtime_argv[] = {name, nullptr};
    platform::posix::StartRuntime(1, runtime_argv);
    const std::u16string host = vltext::FromUtf8(argv[1]);
    const int runs = std::atoi(argv[2]);
    SyncOptions options;
    options.precise = argc == 4;
    std::vector<double> delays, errors, magnitudes, durations;
    int exact = 0;
    for (int i = 0; i < runs; ++i) {
        // Runs start at moments spread over the second (the golden ratio's
        // steps), not all within one.
        std::this_thread::sleep_for(std::chrono::milliseconds(i * 618 % 1000));
        runLog.clear();
        handed = {};
        const auto start = Clock::now();
        if (!SyncFromHost(host, options)) {
            std::fprintf(stderr, "no answer: %s\n", vltext::ToUtf8(runLog).c_str());
            return 1;
        }
        durations.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const auto at = runLog.find(u"Remote date & time: ");
        // "Remote date & time: D.MM.YYYY H:MM:SS.hh"
        const std::string line =
            vltext::ToUtf8(runLog.substr(at + 20, runLog.find(u'\r', at) - at - 20));
        int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0, hu = 0;
        std::sscanf(line.c_str(), "%d.%d.%d %d:%d:%d.%d", &d, &mo, &y, &h, &mi, &s, &hu);
        exact += handed.wYear == y && handed.wMonth == mo && handed.wDay == d &&
                 handed.wHour == h && handed.wMinute == mi && handed.wSecond == s &&
                 handed.wMilliseconds == hu * 10;
        delays.push_back(std::chrono::duration<double, std::micro>(set_called - answered).count());
        errors.push_back(error_ms);
        magnitudes.push_back(std::fabs(error_ms));
    }
    std::printf(
        "error of the applied time: median %+.1f ms, median |error| %.1f ms, "
        "largest |error| %.1f ms\n",
        Median(errors), Median(magnitudes),
        *std::max_element(magnitudes.begin(), magnitudes.end()));
    std::printf("a run: median %.1f ms\n", Median(durations));
    if (!options.precise) {
        std::printf("applied exactly: %d of %d\n", exact, runs);
        std::printf("answer to SetSystemTime: median %.1f us, max %.1f us\n", Median(delays),
                    *std::max_element(delays.begin(), delays.end()));
    }
    platform::posix::StopRuntime();
    return options.precise || exact == runs ? 0 : 1;
}
