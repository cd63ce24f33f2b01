#pragma once
// State of the Caps Lock, Num Lock and Scroll Lock keys for the status bar's
// indicator panes, where the platform lets a program ask.

#include <optional>

namespace vmf {

struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Nothing where the platform gives no portable answer (X11, Wayland without
// extra libraries): the panes then show their labels greyed.
std::optional<LockKeyState> QueryLockKeys();

}  // namespace vmf
