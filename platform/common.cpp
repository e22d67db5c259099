// Runtime services that are the same on every platform.
#include <chrono>
#include <thread>

#include "civil.h"
#include "measure.h"
#include "platform.h"

namespace platform {

std::vector<std::u16string> Split(std::u16string_view text, std::u16string_view delimiter) {
    std::vector<std::u16string> pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    for (;;) {
        const auto at = text.find(delimiter);
        if (at == std::u16string_view::npos) {
            pieces.emplace_back(text);
            return pieces;
        }
        pieces.emplace_back(text.substr(0, at));
        text.remove_prefix(at + delimiter.size());
    }
}

bool IsValidSystemTime(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= civil::DaysInMonth(t.wYear, t.wMonth) && t.wHour <= 23 && t.wMinute <= 59 &&
           t.wSecond <= 59 && t.wMilliseconds <= 999;
}

std::uint32_t MeasureTimeOfDay(const AskOnce& ask_once, TIME_OF_DAY_INFO* record, bool* has_record,
                               estimate::Estimate* time, bool* estimated) {
    // Every answer is kept until the estimate says which one it rests on.
    std::vector<TIME_OF_DAY_INFO> records;
    bool first_has_record = false;
    const auto ask = [&] {
        TIME_OF_DAY_INFO answer{};
        bool has = false;
        estimate::Reply reply;
        reply.status = ask_once(&answer, &has);
        if (records.empty()) {
            first_has_record = has;
        }
        records.push_back(answer);
        reply.is_time = reply.status == 0 && has &&
                        estimate::RecordMilliseconds(
                            answer.tod_year, answer.tod_month, answer.tod_day, answer.tod_hours,
                            answer.tod_mins, answer.tod_secs, answer.tod_hunds, &reply.remote_ms);
        return reply;
    };
    const estimate::Clock clock{
        [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        },
        [](std::int64_t us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }};
    std::uint32_t used = 0;
    const std::uint32_t status = estimate::Measure(ask, clock, time, estimated, &used);
    *has_record = status == 0 && (*estimated || first_has_record);
    if (*has_record) {
        *record = records[used];
    }
    return status;
}

}  // namespace platform
