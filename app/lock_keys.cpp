#include "lock_keys.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mirelo {

#ifdef _WIN32
std::optional<LockKeys> ReadLockKeys() {
    const auto on = [](int key) { return (GetKeyState(key) & 1) != 0; };
    return LockKeys{on(VK_CAPITAL), on(VK_NUMLOCK), on(VK_SCROLL)};
}
#else
std::optional<LockKeys> ReadLockKeys() {
    return std::nullopt;
}
#endif

}  // namespace mirelo
