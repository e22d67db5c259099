#include "estimate.h"

#include <optional>

#include "civil.h"

namespace estimate {

namespace {

struct Sample {
    std::int64_t ms;
    std::int64_t sent;
    std::int64_t received;
    std::uint32_t number;
    std::int64_t Middle() const { return sent + (received - sent) / 2; }
    std::int64_t RoundTrip() const { return received - sent; }
};

// Answers from a host that answers in hundredths, before the one with the
// shortest round trip is used.
constexpr int kHundredthsAnswers = 3;

}  // namespace

std::uint32_t Measure(const std::function<Reply()>& ask, const Clock& clock, Estimate* estimate,
                      bool* estimated, std::uint32_t* used) {
    *estimated = false;
    *used = 0;
    std::uint32_t tries = 0;
    std::optional<Sample> first;     // the first answer: it may have set up the connection
    std::optional<Sample> run;       // the first answer of the present second, after that
    std::optional<Sample> previous;  // the last answer of the present second
    std::optional<Sample> best;      // in hundredths: the shortest round trip
    int hundredths = 0;
    int answers = 0;
    std::int64_t last_sent = 0;
    for (;;) {
        if (first) {
            const std::int64_t now = clock.now_us();
            if (now - first->received >= kAskingUs || first->RoundTrip() > kSlowUs) {
                break;
            }
            // Answers in hundredths need no pace: a few suffice.
            if (!best && now < last_sent + kPaceUs) {
                clock.pause_us(last_sent + kPaceUs - now);
            }
        }
        Sample sample{};
        sample.sent = last_sent = clock.now_us();
        const Reply reply = ask();
        sample.received = clock.now_us();
        sample.number = tries++;
        if (reply.status != 0 || !reply.is_time) {
            if (!first) {
                return reply.status;
            }
            break;
        }
        sample.ms = reply.remote_ms;
        ++answers;
        if (!first) {
            first = sample;
        }
        if (reply.remote_ms % 1000 != 0 || hundredths > 0) {
            ++hundredths;
            if (!best || sample.RoundTrip() < best->RoundTrip()) {
                best = sample;
            }
            if (hundredths >= kHundredthsAnswers) {
                break;
            }
            continue;
        }
        if (sample.number == 0) {
            continue;
        }
        if (run && sample.ms == previous->ms) {
            previous = sample;
            continue;
        }
        if (run && sample.ms == previous->ms + 1000) {
            *estimate = {sample.ms * 1000,
                         previous->Middle() + (sample.Middle() - previous->Middle()) / 2,
                         sample.RoundTrip(),
                         sample.Middle() - previous->Middle(),
                         tries,
                         Method::kEdge};
            *estimated = true;
            *used = sample.number;
            return 0;
        }
        // The first answer of a run, or the host's clock jumped: from here.
        run = previous = sample;
    }
    if (answers < 2) {
        return 0;  // the first answer alone
    }
    if (best) {
        // A hundredth began at most 10 ms before it was read: its middle.
        *estimate = {best->ms * 1000 + 5000, best->Middle(), best->RoundTrip(), 0, tries,
                     Method::kHundredths};
        *used = best->number;
    } else {
        // The second began before the run's first answer, and not a whole
        // second before its last: the middle of that.
        const Sample& begun = run ? *run : *first;
        const Sample& last = run ? *previous : *first;
        *estimate = {last.ms * 1000,
                     (begun.Middle() + last.Middle() - 1'000'000) / 2,
                     last.RoundTrip(),
                     0,
                     tries,
                     Method::kNoEdge};
        *used = last.number;
    }
    *estimated = true;
    return 0;
}

bool RecordMilliseconds(std::uint32_t year, std::uint32_t month, std::uint32_t day,
                        std::uint32_t hour, std::uint32_t minute, std::uint32_t second,
                        std::uint32_t hundredths, std::int64_t* milliseconds) {
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 ||
        day > static_cast<std::uint32_t>(civil::DaysInMonth(year, static_cast<int>(month))) ||
        hour > 23 || minute > 59 || second > 59 || hundredths > 99) {
        return false;
    }
    const std::int64_t days =
        civil::DaysFromCivil(year, static_cast<int>(month), static_cast<int>(day));
    *milliseconds = ((days * 24 + hour) * 60 + minute) * 60'000 + second * 1000 + hundredths * 10;
    return true;
}

}  // namespace estimate
