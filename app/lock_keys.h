#pragma once

#include <optional>

namespace mirelo {

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The lock keys' states, or nothing on a platform that cannot tell them.
std::optional<LockKeys> ReadLockKeys();

}  // namespace mirelo
