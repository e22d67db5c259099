#include "fetch-protocol.h"

#include <cstring>

namespace fetch {

std::string EncodeRequest(std::uint32_t sequence, std::string_view name) {
    std::string bytes(sizeof sequence, '\0');
    std::memcpy(bytes.data(), &sequence, sizeof sequence);
    bytes.append(name);
    return bytes;
}

bool DecodeRequest(std::string_view bytes, std::uint32_t* sequence, std::string* name) {
    if (bytes.size() < sizeof *sequence || bytes.size() - sizeof *sequence > kMaxName) {
        return false;
    }
    std::memcpy(sequence, bytes.data(), sizeof *sequence);
    name->assign(bytes.substr(sizeof *sequence));
    return true;
}

bool CheckAnswer(const void* bytes, std::size_t size, std::uint32_t sequence, std::uint32_t* status,
                 bool* has_record, platform::TIME_OF_DAY_INFO* record) {
    Answer answer{};
    if (size != sizeof answer) {
        return false;
    }
    std::memcpy(&answer, bytes, sizeof answer);
    if (answer.magic != kAnswerMagic || answer.sequence != sequence || answer.has_record > 1 ||
        (answer.status != 0 && answer.has_record != 0)) {
        return false;
    }
    *status = answer.status;
    *has_record = answer.has_record == 1;
    if (*has_record) {
        *record = answer.record;
    }
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
