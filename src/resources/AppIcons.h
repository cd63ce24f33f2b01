#pragma once
// Icons drawn at run time with QPainter: the application icon, and toolbar
// glyphs for the commands the style has no standard icon for. Drawing them
// keeps the build free of image files and sharp at every scale.

#include <QIcon>
#include <QPixmap>

namespace vmf {

enum class ToolGlyph { Cut, Copy, Paste, Print };

// A prism splitting a white beam into a spectrum, on a dark tile.
QIcon ApplicationIcon();
// The same drawing as one square image of size pixels (the desktop's icon
// files are exported from it at build time).
QPixmap ApplicationIconPixmap(int size);
// A data file's icon: a sheet with a folded corner carrying the same drawing,
// so the shell shows which program a .vqdata belongs to.
QPixmap DocumentIconPixmap(int size);
// The theme's icon when the desktop has one, else a drawn glyph.
QIcon ToolbarIcon(ToolGlyph glyph);

}  // namespace vmf
