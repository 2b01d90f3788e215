#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
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

#ifdef _WIN32
// Wine keeps no access list given to a file, and shows a link that was opened as itself as
// a plain file; tests of either can only run on Windows itself.
inline bool RunsUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}
#endif

}  // namespace mirelo::testing
