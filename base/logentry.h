// How a log entry looks in the plain-text log file; the same on every
// platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vllog {

enum class Kind { kInformation, kError };

std::u16string_view KindName(Kind kind);

struct LocalTime {
    std::int64_t year;
    int month, day, hour, minute, second, millisecond;
    int utc_offset_minutes;  // east of UTC
};

// "2026-12-06 20:30:01.123 +0100 todsync[4242] information"
std::u16string Header(const LocalTime& when, std::u16string_view name, std::uint32_t pid,
                      Kind kind);

// The entry's lines, each ending in "\n": the text is cut at CR LF, empty
// lines are left out (an empty line ends an entry in the file), and every
// other control character is written out visibly (vltext::Visible), so that
// no text can start a line, or an entry, of its own or drive a terminal.
std::u16string Body(std::u16string_view text);

// `body` (lines ending in "\n") cut to at most about `limit` characters
// for a place that takes no more, at a line's end, with a closing line:
// "... N more characters of this entry left out; the whole entry is in
// <file>." (just "." after "left out" when `file` is empty).
std::u16string CutToFit(std::u16string_view body, std::size_t limit, std::u16string_view file);

// The most characters ReportEvent takes in one string.
inline constexpr std::size_t kEventStringLimit = 31839;

// The Windows event's message for an entry: its visible lines joined by
// CR LF, cut (CutToFit) so that the whole message stays within
// kEventStringLimit; `file` is where the whole entry is. *whole, when
// given, tells whether nothing was cut.
std::u16string EventMessage(std::u16string_view text, std::u16string_view file,
                            bool* whole = nullptr);

// Header, body and one empty line: what is appended to the file.
std::u16string Block(const LocalTime& when, std::u16string_view name, std::uint32_t pid, Kind kind,
                     std::u16string_view text);

// The executable's name without directory and extension.
std::u16string_view BaseName(std::u16string_view path);

}  // namespace vllog
