#include "fetch-protocol.h"

#include <cstring>

namespace fetch {

namespace {

constexpr std::size_t kHeader = 3 * sizeof(std::uint32_t);

// The names found, when they are whole and hold no NUL.
bool Names(const Answer& answer, Reply* reply) {
    if (answer.server_length > kMaxFound || answer.domain_length > kMaxFound) {
        return false;
    }
    reply->server.assign(answer.server, answer.server_length);
    reply->domain.assign(answer.domain, answer.domain_length);
    return reply->server.find('\0') == std::string::npos &&
           reply->domain.find('\0') == std::string::npos;
}

// An estimate rests on its record (the host's time at most a hundredth
// later, estimate.h) and on a moment while the host was asked (the middle
// of a second may lie up to a second before the first answer).
bool Fits(const Answer& answer, std::int64_t sent_us, std::int64_t received_us) {
    const platform::TIME_OF_DAY_INFO& r = answer.record;
    std::int64_t record_ms = 0;
    if (!estimate::RecordMilliseconds(r.tod_year, r.tod_month, r.tod_day, r.tod_hours, r.tod_mins,
                                      r.tod_secs, r.tod_hunds, &record_ms)) {
        return false;
    }
    const std::int64_t record_us = record_ms * 1000;
    return answer.method >= static_cast<std::uint32_t>(estimate::Method::kHundredths) &&
           answer.method <= static_cast<std::uint32_t>(estimate::Method::kNoEdge) &&
           answer.tries >= 1 && answer.round_trip_us >= 0 && answer.spread_us >= 0 &&
           answer.round_trip_us <= received_us - sent_us && answer.remote_us >= record_us &&
           answer.remote_us < record_us + 10'000 && answer.at_us >= sent_us - 1'000'000 &&
           answer.at_us <= received_us;
}

}  // namespace

std::string EncodeRequest(const Request& request) {
    const std::uint32_t words[] = {request.sequence, static_cast<std::uint32_t>(request.kind),
                                   request.flags};
    std::string bytes(kHeader, '\0');
    std::memcpy(bytes.data(), words, kHeader);
    bytes.append(request.name);
    return bytes;
}

bool DecodeRequest(std::string_view bytes, Request* request) {
    if (bytes.size() < kHeader || bytes.size() - kHeader > kMaxName) {
        return false;
    }
    std::uint32_t words[3];
    std::memcpy(words, bytes.data(), kHeader);
    if (words[1] < static_cast<std::uint32_t>(Kind::kTimeOfDay) ||
        words[1] > static_cast<std::uint32_t>(Kind::kTimeServer)) {
        return false;
    }
    request->sequence = words[0];
    request->kind = static_cast<Kind>(words[1]);
    request->flags = words[2];
    request->name.assign(bytes.substr(kHeader));
    return true;
}

bool CheckAnswer(const void* bytes, std::size_t size, const Request& request, std::int64_t sent_us,
                 std::int64_t received_us, Reply* reply) {
    Answer answer{};
    if (size != sizeof answer) {
        return false;
    }
    std::memcpy(&answer, bytes, sizeof answer);
    const bool precise = request.kind == Kind::kPrecise;
    const bool server = request.kind == Kind::kTimeServer;
    if (answer.magic != kAnswerMagic || answer.sequence != request.sequence ||
        answer.has_record > 1 || answer.has_estimate > 1 ||
        (answer.status != 0 && (answer.has_record != 0 || answer.server_length != 0)) ||
        (server && answer.has_record != 0) ||
        (answer.has_estimate != 0 && (!precise || answer.has_record == 0)) ||
        (!server &&
         (answer.server_length != 0 || answer.domain_length != 0 || answer.server_flags != 0)) ||
        (server && answer.status == 0 && answer.server_length == 0) || !Names(answer, reply) ||
        (answer.has_estimate != 0 && !Fits(answer, sent_us, received_us))) {
        return false;
    }
    reply->status = answer.status;
    reply->has_record = answer.has_record == 1;
    if (reply->has_record) {
        reply->record = answer.record;
    }
    reply->has_estimate = answer.has_estimate == 1;
    if (reply->has_estimate) {
        reply->estimate = {answer.remote_us,     answer.at_us,
                           answer.round_trip_us, answer.spread_us,
                           answer.tries,         static_cast<estimate::Method>(answer.method)};
    }
    reply->server_flags = answer.server_flags;
    return true;
}

bool CheckTaken(const void* bytes, std::size_t size, std::uint32_t sequence) {
    Taken taken{};
    if (size != sizeof taken) {
        return false;
    }
    std::memcpy(&taken, bytes, sizeof taken);
    return taken.magic == kTakenMagic && taken.sequence == sequence;
}

}  // namespace fetch
