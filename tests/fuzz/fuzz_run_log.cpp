// AddLog with arbitrary text: CR and LF in any mixture, blanks, NULs,
// unpaired surrogates, long lines. Each line of the log must have the fixed
// layout, a message that is neither empty nor blank at its ends nor holds a
// CR LF, and the entry must be the log without its line breaks at the end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fakes/fakes.h"
#include "runlog.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
    fake::ResetRuntime();
    fake::ResetSupport();
    runLog.clear();
    AddLog(text);

    std::size_t pieces = 1, at = 0;
    while ((at = text.find(u"\r\n", at)) != std::u16string::npos)
        ++pieces, at += 2;

    std::size_t lines = 0;
    std::u16string_view log = runLog;
    while (!log.empty()) {
        const auto end = log.find(u"\r\n");
        Check(end != std::u16string_view::npos);
        const std::u16string_view line = log.substr(0, end);
        // "[HH:MM:SS.mmm] [YYYY-MM-DD] " is 28 characters.
        Check(line.size() > 28 && line[0] == u'[' && line.substr(13, 3) == u"] [" &&
              line.substr(26, 2) == u"] ");
        const std::u16string_view message = line.substr(28);
        Check(!message.empty());
        for (const char16_t edge : {message.front(), message.back()}) {
            Check(edge != u' ' && edge != u'\t');
        }
        ++lines;
        log.remove_prefix(end + 2);
    }
    Check(lines <= pieces);

    FlushLog(false);
    Check(fake::log_entries.size() == 1);
    const std::u16string& entry = fake::log_entries[0].text;
    // The log without the line breaks at its end (a message that ends in a
    // lone CR or LF loses it there too).
    std::u16string expected = runLog;
    while (!expected.empty() && (expected.back() == u'\r' || expected.back() == u'\n')) {
        expected.pop_back();
    }
    Check(entry == expected);
    return 0;
}
