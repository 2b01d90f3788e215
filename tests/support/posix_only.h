#pragma once

#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace mirelo::testing {

// Why a test of POSIX permission bits means nothing here; empty when it does.
inline std::string WhyPermissionBitsDoNotApply() {
#ifdef _WIN32
    return "Windows has no permission bits: a read-only attribute stops neither reading nor new files";
#else
    return geteuid() == 0 ? "permissions do not bind the superuser" : "";
#endif
}

}  // namespace mirelo::testing
