// Reading the directory of an .ico file, as icon groups hold them on Linux.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vlicon {

struct Image {
    int width;
    int height;
    int colors;  // palette entries, 0 for none
    int bits;    // bits per pixel
    const std::uint8_t* data;
    std::size_t size;
};

// The images of an .ico file, or nothing when it is malformed: a wrong
// header, no image, or an image that lies outside the file.
std::optional<std::vector<Image>> ReadIcon(const std::uint8_t* data, std::size_t size);

}  // namespace vlicon
