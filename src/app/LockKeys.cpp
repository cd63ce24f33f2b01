#include "app/LockKeys.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vmf {

std::optional<LockKeyState> QueryLockKeys() {
#if defined(_WIN32)
    // The low bit of GetKeyState is the toggle state of a lock key.
    return LockKeyState{(GetKeyState(VK_CAPITAL) & 1) != 0, (GetKeyState(VK_NUMLOCK) & 1) != 0,
                        (GetKeyState(VK_SCROLL) & 1) != 0};
#else
    return std::nullopt;
#endif
}

}  // namespace vmf
