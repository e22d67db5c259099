// Any text as a log entry: one header, then lines that no text can turn into a
// header, an empty line or anything a terminal obeys or a reader cannot see;
// each line is the visible form of one line of the text.
#include <string>

#include "logentry.h"
#include "text.h"

#define CHECK(c) (c) ? (void)0 : __builtin_trap()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    const vllog::LocalTime when{2026, 12, 7, 1, 2, 3, 4, 60};
    const std::u16string header = vllog::Header(when, u"todsync", 42, vllog::Kind::kError);
    const std::u16string block = vllog::Block(when, u"todsync", 42, vllog::Kind::kError, text);
    CHECK(block.starts_with(header + u'\n') && block.ends_with(u"\n\n"));
    std::u16string_view body(block);
    body.remove_prefix(header.size() + 1);
    body.remove_suffix(1);
    std::u16string_view rest(text);
    while (!body.empty()) {
        const auto end = body.find(u'\n');
        const std::u16string_view line = body.substr(0, end);
        CHECK(end != body.npos && !line.empty());
        // Every surrogate is half of a pair; nothing drives a terminal or hides.
        for (std::size_t i = 0; i < line.size(); ++i) {
            const bool high = line[i] >= 0xD800 && line[i] <= 0xDBFF;
            CHECK(!high || (i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF));
            CHECK(high || line[i] < 0xDC00 || line[i] > 0xDFFF);
            CHECK(!vltext::IsControl(line[i]) || line[i] == u'\t');
            i += high;
        }
        // The next non-empty line of the text, made visible.
        std::u16string_view piece;
        do {
            const auto cut = rest.find(u"\r\n");
            piece = rest.substr(0, cut);
            rest.remove_prefix(cut == rest.npos ? rest.size() : cut + 2);
        } while (piece.empty() && !rest.empty());
        CHECK(line == vltext::Visible(piece));
        body.remove_prefix(end + 1);
    }
    // No line of the text left out but empty ones.
    CHECK(vllog::Body(rest).empty());
    return 0;
}
