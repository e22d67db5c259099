// How exactly and how soon a run applies the remote time, through the clock
// seam: this program is SyncFromHost with the real network, runtime and
// support library, and a clock of its own that records instead of setting.
//
//   accuracy HOST RUNS
// For each attempt it checks that the time handed to SetSystemTime is the
// one in the report's remote line (milliseconds = hundredths x 10), and
// measures the time from the local clock reading that follows the answer
// to the SetSystemTime call. Prints the median and the largest, in µs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
}  // namespace

namespace platform {

// Read right after the record has been copied out of the answer buffer.
void GetSystemTime(SYSTEMTIME* time) {
    answered = Clock::now();
    *time = {2026, 1, 4, 1, 0, 0, 0, 0};
}

bool SetSystemTime(const SYSTEMTIME& time) {
    set_called = Clock::now();
    handed = time;
    return IsValidSystemTime(time);
}

}  // namespace platform

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: accuracy HOST RUNS\n");
        return 2;
    }
    char name[] = "accuracy";
    char* runtime_argv[] = {name, nullptr};
    platform::posix::StartRuntime(1, runtime_argv);
    const std::u16string host = vltext::FromUtf8(argv[1]);
    const int runs = std::atoi(argv[2]);
    std::vector<double> delays;
    int exact = 0;
    for (int i = 0; i < runs; ++i) {
        runLog.clear();
        handed = {};
        SyncFromHost(host);
        const auto at = runLog.find(u"Remote date & time: ");
        if (at == std::u16string::npos) {
            std::fprintf(stderr, "no answer: %s\n", vltext::ToUtf8(runLog).c_str());
            return 1;
        }
        // "Remote date & time: D.MM.YYYY H:MM:SS.hh"
        const std::string line =
            vltext::ToUtf8(runLog.substr(at + 20, runLog.find(u'\r', at) - at - 20));
        int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0, hu = 0;
        std::sscanf(line.c_str(), "%d.%d.%d %d:%d:%d.%d", &d, &mo, &y, &h, &mi, &s, &hu);
        exact += handed.wYear == y && handed.wMonth == mo && handed.wDay == d &&
                 handed.wHour == h && handed.wMinute == mi && handed.wSecond == s &&
                 handed.wMilliseconds == hu * 10;
        delays.push_back(std::chrono::duration<double, std::micro>(set_called - answered).count());
    }
    std::sort(delays.begin(), delays.end());
    std::printf("applied exactly: %d of %d\n", exact, runs);
    std::printf("answer to SetSystemTime: median %.1f us, max %.1f us\n", delays[delays.size() / 2],
                delays.back());
    platform::posix::StopRuntime();
    return exact == runs ? 0 : 1;
}
