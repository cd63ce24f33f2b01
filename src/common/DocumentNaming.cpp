#include "common/DocumentNaming.h"

namespace vmf {

std::string DisplayTitle(const std::string& title) {
    return title.empty() ? std::string(kUntitled) : title;
}

std::string FrameCaption(const std::string& title) {
    return std::string(kAppTitle) + " - " + DisplayTitle(title);
}

std::string FileNameOf(std::string_view path) {
    const auto cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string ProposedSaveName(const std::string& title) {
    std::string base = DisplayTitle(title);
    const auto cut = base.find_first_of(":/\\");
    if (cut != std::string::npos) base.resize(cut);
    return base + kDataExtension;
}

std::string WithDefaultExtension(const std::string& path) {
    const std::string name = FileNameOf(path);
    if (name.empty() || name.find('.') != std::string::npos) return path;
    return path + kDataExtension;
}

}  // namespace vmf
