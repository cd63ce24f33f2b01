#pragma once
// Icons drawn at run time with QPainter: the application icon, and toolbar
// glyphs for the commands the style has no standard icon for. Drawing them
// keeps the build free of image files and sharp at every scale.

#include <QIcon>

namespace vmf {

enum class ToolGlyph { Cut, Copy, Paste, Print };

// A prism splitting a white beam into a spectrum, on a dark tile.
QIcon ApplicationIcon();
// The theme's icon when the desktop has one, else a drawn glyph.
QIcon ToolbarIcon(ToolGlyph glyph);

}  // namespace vmf
