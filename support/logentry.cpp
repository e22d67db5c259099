#include "support/logentry.h"

#include "support/text.h"

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
    bool open_line = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out += u'\n';
            open_line = false;
            ++i;
            continue;
        }
        open_line = true;
        if ((c < 0x20 && c != u'\t') || c == 0x7F) {
            out += u'^';
            out += c == 0x7F ? u'?' : static_cast<char16_t>(c + 0x40);
        } else {
            out += c;
        }
    }
    if (open_line) {
        out += u'\n';
    }
    return out;
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
