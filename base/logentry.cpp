#include "logentry.h"

#include "text.h"

namespace vllog {

std::u16string_view KindName(Kind kind) {
    return kind == Kind::kInformation ? u"information" : u"error";
}

std::u16string Header(const LocalTime& when, std::u16string_view name, std::uint32_t pid,
                      Kind kind) {
    std::u16string out;
    vltext::AppendPadded(out, when.year, 4);
    out += u'-';
    vltext::AppendPadded(out, when.month, 2);
    out += u'-';
    vltext::AppendPadded(out, when.day, 2);
    out += u' ';
    vltext::AppendPadded(out, when.hour, 2);
    out += u':';
    vltext::AppendPadded(out, when.minute, 2);
    out += u':';
    vltext::AppendPadded(out, when.second, 2);
    out += u'.';
    vltext::AppendPadded(out, when.millisecond, 3);
    out += when.utc_offset_minutes < 0 ? u" -" : u" +";
    const int offset =
        when.utc_offset_minutes < 0 ? -when.utc_offset_minutes : when.utc_offset_minutes;
    vltext::AppendPadded(out, offset / 60, 2);
    vltext::AppendPadded(out, offset % 60, 2);
    out += u' ';
    out += name;
    out += u'[';
    vltext::AppendPadded(out, pid, 1);
    out += u"] ";
    out += KindName(kind);
    return out;
}

std::u16string Body(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + 16);
    while (!text.empty()) {
        const auto end = text.find(u"\r\n");
        const std::u16string_view line = text.substr(0, end);
        text.remove_prefix(end == std::u16string_view::npos ? text.size() : end + 2);
        // No empty line inside an entry: in the file an empty line ends it.
        if (!line.empty()) {
            out += vltext::Visible(line);
            out += u'\n';
        }
    }
    return out;
}

std::u16string CutToFit(std::u16string_view body, std::size_t limit, std::u16string_view file) {
    if (body.size() <= limit) {
        return std::u16string(body);
    }
    const std::size_t room = limit > 512 + file.size() ? limit - 256 - file.size() : limit / 2;
    std::size_t cut = body.rfind(u'\n', room);
    cut = cut == std::u16string_view::npos || cut < room / 2 ? room : cut + 1;
    if (cut > 0 && body[cut - 1] >= 0xD800 && body[cut - 1] <= 0xDBFF) {
        --cut;  // not between the halves of a surrogate pair
    }
    std::u16string out(body.substr(0, cut));
    if (!out.empty() && out.back() != u'\n') {
        out += u'\n';
    }
    std::u16string count;
    vltext::AppendPadded(count, static_cast<std::int64_t>(body.size() - cut), 1);
    out += u"... " + count + u" more characters of this entry left out";
    out += file.empty() ? u"." : u"; the whole entry is in " + vltext::Visible(file) + u".";
    out += u'\n';
    return out;
}

std::u16string EventMessage(std::u16string_view text, std::u16string_view file, bool* whole) {
    const std::u16string body = Body(text);
    // Each line break becomes CR LF: the cut leaves room for the CRs too.
    std::size_t room = kEventStringLimit;
    std::u16string message;
    for (;;) {
        std::u16string lines = CutToFit(body, room, file);
        if (!lines.empty() && lines.back() == u'\n') {
            lines.pop_back();
        }
        message.clear();
        for (const char16_t c : lines) {
            if (c == u'\n') {
                message += u'\r';
            }
            message += c;
        }
        if (message.size() <= kEventStringLimit || room < 1024) {
            break;
        }
        room -= message.size() - kEventStringLimit;
    }
    if (whole != nullptr) {
        *whole = body.size() <= room;
    }
    return message;
}

std::u16string Block(const LocalTime& when, std::u16string_view name, std::uint32_t pid, Kind kind,
                     std::u16string_view text) {
    return Header(when, name, pid, kind) + u'\n' + Body(text) + u'\n';
}

std::u16string_view BaseName(std::u16string_view path) {
    const auto slash = path.find_last_of(u"/\\");
    if (slash != std::u16string_view::npos) {
        path.remove_prefix(slash + 1);
    }
    const auto dot = path.rfind(u'.');
    if (dot != std::u16string_view::npos && dot != 0) {
        path = path.substr(0, dot);
    }
    return path;
}

}  // namespace vllog
