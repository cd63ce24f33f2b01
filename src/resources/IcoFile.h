#pragma once
// A Windows icon file (.ico) from square PNG images: the shell and the
// resource compiler take PNG-coded entries at every size, so the images the
// program draws go in unchanged.

#include <cstdint>
#include <string>
#include <vector>

namespace vmf {

struct IcoImage {
    int size = 0;     // width = height in pixels, 1..256
    std::string png;  // the PNG file's bytes
};

// The .ico bytes, entries in the order given. Empty when an image's size is
// out of range or there are none.
std::string IcoFileBytes(const std::vector<IcoImage>& images);

}  // namespace vmf
