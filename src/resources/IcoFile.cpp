#include "resources/IcoFile.h"

namespace vmf {
namespace {

void Put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

}  // namespace

std::string IcoFileBytes(const std::vector<IcoImage>& images) {
    if (images.empty() || images.size() > 0xffff) return {};
    std::string out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IcoImage& image : images) {
        if (image.size < 1 || image.size > 256 || image.png.empty()) return {};
        // 256 is written as 0: the field is one byte.
        const auto side = static_cast<char>(image.size == 256 ? 0 : image.size);
        out.push_back(side);
        out.push_back(side);
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<std::uint32_t>(image.png.size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(image.png.size());
    }
    for (const IcoImage& image : images) out += image.png;
    return out;
}

}  // namespace vmf
