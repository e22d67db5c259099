#include "icon.h"

namespace vlicon {
namespace {

std::uint32_t Le16(const std::uint8_t* p) {
    return p[0] | static_cast<std::uint32_t>(p[1]) << 8;
}
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::optional<std::vector<Image>> ReadIcon(const std::uint8_t* data, std::size_t size) {
    // ICONDIR: reserved 0, type 1, count; then 16-byte entries.
    if (data == nullptr || size < 6 || Le16(data) != 0 || Le16(data + 2) != 1) {
        return std::nullopt;
    }
    const std::size_t count = Le16(data + 4);
    if (count == 0 || size < 6 + 16 * count) {
        return std::nullopt;
    }
    std::vector<Image> images;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = data + 6 + 16 * i;
        const std::size_t bytes = Le32(entry + 8);
        const std::size_t offset = Le32(entry + 12);
        if (bytes == 0 || offset > size || bytes > size - offset) {
            return std::nullopt;
        }
        const std::uint8_t* image = data + offset;
        int bits = static_cast<int>(Le16(entry + 6));
        // Many writers leave the directory's bit count at 0: the image's own
        // BITMAPINFOHEADER has it.
        if (bits == 0 && bytes >= 16 && Le32(image) == 40) {
            bits = static_cast<int>(Le16(image + 14));
        }
        images.push_back({entry[0] == 0 ? 256 : entry[0], entry[1] == 0 ? 256 : entry[1], entry[2],
                          bits, image, bytes});
    }
    return images;
}

}  // namespace vlicon
