#pragma once
// The stored window placement is the outer rectangle of the window (caption
// and border included), as the desktop reports window rectangles. Qt places
// and sizes the client area, so the frame converts with the border widths
// the window system gives it.

#include "common/PanelOptions.h"

namespace vmf {

struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const FrameMargins&) const = default;
};

struct ClientRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ClientRect&) const = default;
};

// The client rectangle inside the stored outer rectangle. The stored values
// are used as they are; only a size that would leave no client area is
// raised to 1 × 1, since a window cannot be smaller.
ClientRect ClientFromPlacement(const WindowPlacement& placement, const FrameMargins& margins);
// The outer rectangle around a client rectangle.
WindowPlacement PlacementFromClient(const ClientRect& client, const FrameMargins& margins);

}  // namespace vmf
