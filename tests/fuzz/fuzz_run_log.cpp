// AddLog with any text: every line "[HH:MM:SS.mmm] [YYYY-MM-DD] message",
// the message never blank at its ends, and the entry is the log without its
// line breaks at the end.
#include <string>

#include "fakes/fakes.h"
#include "runlog.h"

#define CHECK(c) (c) ? (void)0 : __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    fake::ResetAll();
    AddLog(text);
    for (std::u16string_view log = runLog; !log.empty();) {
        const auto end = log.find(u"\r\n");
        CHECK(end != log.npos && end > 28 && log[0] == u'[' && log.substr(13, 3) == u"] [" &&
              log.substr(26, 2) == u"] ");
        for (const char16_t edge : {log[28], log[end - 1]})
            CHECK(edge != u' ' && edge != u'\t');
        log.remove_prefix(end + 2);
    }
    FlushLog(false);
    std::u16string expected = runLog;
    while (!expected.empty() && (expected.back() == u'\r' || expected.back() == u'\n'))
        expected.pop_back();
    CHECK(fake::log_entries.size() == 1 && fake::log_entries[0].text == expected);
    return 0;
}
