#pragma once
// Names the frame derives from a document's path and title (all UTF-8).

#include <string>
#include <string_view>

namespace vmf {

inline constexpr const char* kAppTitle = "varnello_mf";
inline constexpr const char* kUntitled = "無題";
inline constexpr const char* kDataExtension = ".vqdata";
// Filter of the Open and Save As dialogs: the data files, then all files.
inline constexpr const char* kDataFileFilter = "varnello_mf Files (*.vqdata);;すべてのファイル (*)";

// The title as shown: "無題" when the document has none.
std::string DisplayTitle(const std::string& title);
// The main window's caption: "varnello_mf - <display title>".
std::string FrameCaption(const std::string& title);
// The last component of a path ('/' and, as on Windows, '\\' separate).
std::string FileNameOf(std::string_view path);
// What Save As proposes for a document without a file: the title cut before
// its first ':', '/' or '\\' (those cannot be in a file name), then
// ".vqdata". An empty title proposes "無題.vqdata".
std::string ProposedSaveName(const std::string& title);
// path, with ".vqdata" appended when its file name has no extension.
std::string WithDefaultExtension(const std::string& path);

}  // namespace vmf
